// A save killed at any moment leaves the old file or the new one whole: a child saves two
// versions in turn through the real save functions until it is killed after a random delay.

#include "core/support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// prompt.cf is written by the same function, so one file stands for both.
TEST(CrashConsistency, AKilledSaveLeavesTheOldOrTheNewFileWhole) {
    const PromptLibrary libraries[2] = {
        PromptLibrary(2000, {u"Prompt", std::u16string(400, u'\u00E4'), true, u"<&>"}),
        PromptLibrary(1500, {u"Neu", std::u16string(200, u'\''), false, u""})};
    const auto save = [&](auto& path, bool second) { return savePromptFile(libraries[second], path); };
    TempDir dir;
    const std::u16string path = dir.file(u"prompts.xml");
    std::string versions[2];
    const auto start = std::chrono::steady_clock::now();
    for (const bool second : {true, false}) {
        ASSERT_TRUE(save(path, second));
        versions[second] = readBytes(path);
    }
    const auto longest = 2 * (std::chrono::steady_clock::now() - start) + std::chrono::microseconds(200);
    std::mt19937 random(20240601);
    int seen[2] = {0, 0};
    for (int kill = 0; kill < 200; ++kill) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        if (child == 0) {
            if (write(ready[1], "", 1) != 1) _exit(1); // the delay counts from here
            for (bool second = true;; second = !second)
                save(path, second);
        }
        if (char byte; read(ready[0], &byte, 1) == 1)
            std::this_thread::sleep_for(longest * (random() % 1000) / 1000);
        ::kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(ready[0]), close(ready[1]);
        const std::string bytes = readBytes(path);
        ASSERT_TRUE(bytes == versions[0] || bytes == versions[1]) << "kill " << kill;
        ++seen[bytes == versions[1]];
        for (const auto& entry : fs::directory_iterator(dir.path)) // what the killed save left
            if (entry.path() != fs::path(path)) fs::remove(entry.path());
        ASSERT_TRUE(save(path, false));
    }
    EXPECT_TRUE(seen[0] > 0 && seen[1] > 0); // the kills fell before and after replaces
}

// A killed process keeps the page cache, so no kill can show a missing flush: the calls that
// make a save durable are watched instead (the test is linked with --wrap for both).
static std::string durabilityCalls;
extern "C" int __real_fsync(int);
extern "C" int __real_rename(const char*, const char*);
extern "C" int __wrap_fsync(int fd) {
    durabilityCalls += 'f';
    return __real_fsync(fd);
}
extern "C" int __wrap_rename(const char* from, const char* to) {
    durabilityCalls += 'r';
    return __real_rename(from, to);
}

TEST(CrashConsistency, EverySaveFlushesTheNewFileBeforeItReplacesTheOld) {
    TempDir dir;
    durabilityCalls.clear();
    ASSERT_TRUE(savePromptFile({{u"A", u"B", true, u""}}, dir.file(u"prompts.xml")));
    ASSERT_TRUE(saveSettings(dir.file(u"prompt.cf"), Settings{}));
    EXPECT_EQ(std::exchange(durabilityCalls, ""), "frffrf"); // file, rename, folder; twice
}
