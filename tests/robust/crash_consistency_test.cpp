// A save that is killed at any moment leaves the old file or the new one, whole: a child
// process saves two versions in turn through the real save functions and is killed with
// SIGKILL after a random delay, at least 200 times per file.

#include "base/file_io.h"
#include "library/prompt_file.h"
#include "settings/settings.h"

#include "core/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Measures one save, then forks children that each save the second and first version in turn
// until killed, and after each kill checks that the file holds one of the two `files` whole
// and that no temporary file is left. Every round starts from the first version on disk, and
// the delay is counted from the moment the child is ready to save, so a slow fork on a busy
// machine does not push every kill past the first replace.
void killWhileSaving(const char* what, const std::u16string& name, const std::string (&files)[2],
                     const std::function<void(const std::u16string& path, bool second)>& saveTo) {
    TempDir dir;
    const std::u16string path = dir.file(name);
    const auto save = [&](bool second) { saveTo(path, second); };
    const auto start = Clock::now();
    for (int i = 0; i < 10; ++i)
        save(i % 2);
    const auto oneSave = (Clock::now() - start) / 10;
    // Delays from nothing to a few whole saves, so that every step of a save gets hit.
    const auto longest =
        std::chrono::duration_cast<std::chrono::microseconds>(oneSave * 3) + std::chrono::microseconds(200);

    const char* env = std::getenv("VBX_CRASH_KILLS");
    const int kills = env ? std::atoi(env) : 200;
    std::mt19937 random(20240601);
    int seen[2] = {0, 0}, damaged = 0, leftOver = 0;
    for (int i = 0; i < kills; ++i) {
        save(false);
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        if (child == 0) {
            close(ready[0]);
            const char byte = 1;
            if (write(ready[1], &byte, 1) != 1) _exit(1);
            for (bool second = true;; second = !second)
                save(second);
        }
        close(ready[1]);
        ASSERT_GT(child, 0) << "fork failed";
        char byte = 0;
        if (read(ready[0], &byte, 1) == 1)
            std::this_thread::sleep_for(std::chrono::microseconds(random() % longest.count()));
        close(ready[0]);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);

        const std::optional<std::string> bytes = readWholeFile(path);
        if (bytes == files[0] || bytes == files[1]) {
            ++seen[bytes == files[1]];
        } else if (++damaged <= 5) {
            ADD_FAILURE() << "after kill " << i << " the file is neither version ("
                          << (bytes ? bytes->size() : 0) << " bytes)";
        }
        for (const std::u16string& entry : dir.entries()) {
            if (dir.file(entry) == path) continue;
            ++leftOver;
            std::filesystem::remove(std::filesystem::path(dir.file(entry)));
        }
    }
    std::printf("[crash] %s: %d kills, old version %d times, new version %d times, damaged %d, "
                "temporary files left behind %d (one save takes %.1f ms)\n",
                what, kills, seen[0], seen[1], damaged, leftOver,
                std::chrono::duration<double, std::milli>(oneSave).count());
    EXPECT_EQ(damaged, 0);
    // Both versions were seen, so the kills did fall in the middle of the saving.
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
}

} // namespace

TEST(CrashConsistency, AKilledSettingsSaveLeavesTheOldOrTheNewFileWhole) {
    const Settings versions[2] = {
        parseSettings("sg=13\nmfav=5"),
        parseSettings("ai=Copilot\nprompt=41\nsg=18\nmfav=20\nprompt_sf=#123456\n"
                      "prompt_bf=#ABCDEF\nfavoriten_sf=#00FF00\nfavoriten_bf=#0000FF\n"
                      "ai_sf=#FFFFFF\nai_bf=#808080")};
    const std::string files[2] = {serializeSettings(versions[0]), serializeSettings(versions[1])};
    killWhileSaving("prompt.cf", u"prompt.cf", files, [&](const std::u16string& path, bool second) {
        (void)saveSettings(path, versions[second]);
    });
}
