#include "library/file_io.h"
#include "library/prompt_file.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

bool failingReplace(const std::u16string&, const std::u16string&) {
    return false;
}

// Puts a failing replace step in place for one scope.
struct FailingReplace {
    ReplaceFileStep previous = setReplaceFileStepForTesting(failingReplace);
    ~FailingReplace() { setReplaceFileStepForTesting(previous); }
};

} // namespace

TEST(FileIo, ReadsEveryByteOrNothing) {
    TempDir dir;
    const std::u16string path = dir.file(u"data \u00E4\u20AC.bin");
    const std::string bytes("a\0b\r\nc\x1A\xFF", 8);
    writeBytes(path, bytes);
    EXPECT_EQ(readWholeFile(path), bytes);
    writeBytes(path, "");
    EXPECT_EQ(readWholeFile(path), std::string());
    EXPECT_EQ(readWholeFile(dir.file(u"missing")), std::nullopt);
}

TEST(FileIo, HandsEveryByteToOneCallOrMakesNone) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompts.xml");
    const std::string bytes = std::string("<prompts>\0\xFF", 11) + std::string(70000, 'x') + "</prompts>";
    writeBytes(path, bytes);
    int calls = 0;
    const auto expect = [&calls](std::string_view wanted, bool answer) {
        return [&calls, wanted, answer](std::string_view got) {
            ++calls;
            EXPECT_EQ(got, wanted);
            return answer;
        };
    };
    EXPECT_TRUE(useWholeFile(path, expect(bytes, true)));
    EXPECT_FALSE(useWholeFile(path, expect(bytes, false))); // the call's answer is the result
    writeBytes(path, "");
    EXPECT_TRUE(useWholeFile(path, expect("", true)));
    EXPECT_EQ(calls, 3);
    EXPECT_FALSE(useWholeFile(dir.file(u"missing"), expect("", true)));
    EXPECT_EQ(calls, 3);

#ifdef _WIN32
    // Another program writing to the file: its bytes are still read, through a copy.
    writeBytes(path, bytes);
    HANDLE writer = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(useWholeFile(path, expect(bytes, true)));
    PromptLibrary loaded;
    EXPECT_TRUE(loadPromptFile(loaded, path));
    CloseHandle(writer);
    EXPECT_EQ(calls, 4);
#endif
}

TEST(FileIo, WritesAndReplacesWithoutLeavingATemporaryFile) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompts.xml");
    EXPECT_TRUE(writeFileAtomically(path, "first, long content"));
    EXPECT_EQ(readBytes(path), "first, long content");
    EXPECT_TRUE(writeFileAtomically(path, "short"));
    EXPECT_EQ(readBytes(path), "short");
    EXPECT_TRUE(writeFileAtomically(path, ""));
    EXPECT_EQ(readBytes(path), "");
    const std::string big(3 << 20, 'x');
    EXPECT_TRUE(writeFileAtomically(path, big));
    EXPECT_EQ(readWholeFile(path), big);
    EXPECT_EQ(dir.entries(), std::set<std::u16string>{u"prompts.xml"});

    // A folder that doesn't exist: nothing is written and nothing is made.
    EXPECT_FALSE(writeFileAtomically(dir.file(u"missing/prompts.xml"), "x"));
    EXPECT_EQ(dir.entries(), std::set<std::u16string>{u"prompts.xml"});
}

TEST(FileIo, AFailedReplaceKeepsTheOldFileWholeAndRemovesTheTemporaryFile) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompts.xml");
    const PromptLibrary before{{u"kept", u"text", true, u""}};
    ASSERT_TRUE(savePromptFile(before, path));
    const std::string oldBytes = readBytes(path);
    {
        FailingReplace failing;
        EXPECT_FALSE(savePromptFile(PromptLibrary{}, path));
        EXPECT_FALSE(writeFileAtomically(dir.file(u"new.xml"), "x"));
    }
    EXPECT_EQ(readBytes(path), oldBytes);
    EXPECT_EQ(dir.entries(), std::set<std::u16string>{u"prompts.xml"});
    PromptLibrary loaded;
    EXPECT_TRUE(loadPromptFile(loaded, path));
    EXPECT_EQ(loaded, before);
}

#ifdef _WIN32
// The real replace failing: another program holds the file open without sharing deletion.
TEST(FileIo, AFileHeldOpenElsewhereStaysWhole) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompts.xml");
    ASSERT_TRUE(writeFileAtomically(path, "old"));
    HANDLE held = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(writeFileAtomically(path, "new"));
    CloseHandle(held);
    EXPECT_EQ(readBytes(path), "old");
    EXPECT_EQ(dir.entries(), std::set<std::u16string>{u"prompts.xml"});
}
#endif
