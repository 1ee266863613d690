#pragma once
// A fresh, empty folder for one test, removed with everything in it afterwards, and a replace
// step that fails, for the saves that must then leave the old file.

#include "base/file_io.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <string_view>

class TempDir {
  public:
    TempDir() {
        const auto seed = std::chrono::steady_clock::now().time_since_epoch().count();
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = std::filesystem::temp_directory_path() / ("vbx-test-" + std::to_string(seed + attempt));
            if (std::filesystem::create_directory(path_)) return;
        }
        ADD_FAILURE() << "no temporary folder could be made";
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    // Full path of a file in the folder, in the form the core takes.
    std::u16string file(std::u16string_view name) const {
        return (path_ / std::filesystem::path(name)).u16string();
    }

    std::set<std::u16string> entries() const {
        std::set<std::u16string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.insert(entry.path().filename().u16string());
        return names;
    }

  private:
    std::filesystem::path path_;
};

inline void writeBytes(const std::u16string& path, std::string_view bytes) {
    std::ofstream(std::filesystem::path(path), std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::u16string& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Puts a failing replace step in place for one scope.
struct FailingReplace {
    ReplaceFileStep previous =
        setReplaceFileStepForTesting([](const std::u16string&, const std::u16string&) { return false; });
    ~FailingReplace() { setReplaceFileStepForTesting(previous); }
};
