// A save that is killed at any moment leaves the old file or the new one, whole: the child
// process below saves two versions in turn through the real save functions, and is killed
// with SIGKILL after a random delay, at least 200 times per file.

#include "library/file_io.h"
#include "library/prompt_file.h"
#include "settings/settings.h"

#include "core/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int killCount() {
    const char* value = std::getenv("VBX_CRASH_KILLS");
    return value ? std::atoi(value) : 200;
}

// A library of about `bytes` bytes whose prompts all differ from `seed`'s other libraries.
PromptLibrary largeLibrary(unsigned seed, std::size_t bytes) {
    std::mt19937 random(seed);
    PromptLibrary library;
    std::size_t size = 0;
    for (int i = 0; size < bytes; ++i) {
        Prompt prompt;
        prompt.name = u"Prompt " + std::u16string(1, static_cast<char16_t>(u'A' + seed % 26)) +
                      std::u16string(1, static_cast<char16_t>(u'0' + i % 10));
        const std::size_t length = 200 + random() % 600;
        while (prompt.text.size() < length) {
            constexpr std::u16string_view alphabet = u"abcdefgh <>&\"'\t\u00E4\u20AC";
            const std::size_t pick = random() % (alphabet.size() + 2);
            if (pick == alphabet.size()) {
                prompt.text += u"\r\n";
            } else if (pick > alphabet.size()) {
                prompt.text += u"\U0001F600";
            } else {
                prompt.text.push_back(alphabet[pick]);
            }
        }
        prompt.fav = random() % 3 == 0;
        prompt.lasttext = u"Eingabe " + std::u16string(random() % 100, u'\u00FC');
        size += prompt.text.size() + prompt.lasttext.size() * 2 + 80;
        library.push_back(std::move(prompt));
    }
    return library;
}

struct KillRun {
    int kills = 0;
    int sawFirst = 0;
    int sawSecond = 0;
    int damaged = 0;
    int leftOver = 0; // temporary files that a killed save left beside the file
};

// Forks `kills` children that each call save(second) and save(first) in turn until killed,
// and after each kill hands the file's bytes to `classify` (0 first, 1 second, else damaged).
// Every round starts from the first version on disk, and the delay is counted from the moment
// the child is ready to save, so a slow fork on a busy machine does not push every kill past
// the first replace.
template <typename Save, typename Classify>
KillRun killWhileSaving(const TempDir& dir, const std::u16string& path, int kills, Clock::duration oneSave,
                        Save&& save, Classify&& classify) {
    KillRun run;
    std::mt19937 random(20240601);
    // Delays from nothing to a few whole saves, so that every step of a save gets hit.
    const auto longest =
        std::chrono::duration_cast<std::chrono::microseconds>(oneSave * 3) + std::chrono::microseconds(200);
    for (int i = 0; i < kills; ++i) {
        save(false);
        int ready[2];
        if (pipe(ready) != 0) {
            ADD_FAILURE() << "pipe failed";
            return run;
        }
        const pid_t child = fork();
        if (child == 0) {
            close(ready[0]);
            const char byte = 1;
            if (write(ready[1], &byte, 1) != 1) _exit(1);
            for (bool second = true;; second = !second)
                save(second);
        }
        close(ready[1]);
        if (child < 0) {
            close(ready[0]);
            ADD_FAILURE() << "fork failed";
            return run;
        }
        char byte = 0;
        const bool childReady = read(ready[0], &byte, 1) == 1;
        close(ready[0]);
        if (childReady) std::this_thread::sleep_for(std::chrono::microseconds(random() % longest.count()));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ++run.kills;

        const std::optional<std::string> bytes = readWholeFile(path);
        switch (bytes ? classify(*bytes) : -1) {
        case 0:
            ++run.sawFirst;
            break;
        case 1:
            ++run.sawSecond;
            break;
        default:
            ++run.damaged;
            ADD_FAILURE() << "after kill " << i << " the file is neither version ("
                          << (bytes ? bytes->size() : 0) << " bytes)";
        }
        for (const std::u16string& name : dir.entries()) {
            if (dir.file(name) == path) continue;
            ++run.leftOver;
            std::filesystem::remove(std::filesystem::path(dir.file(name)));
        }
    }
    return run;
}

void print(const char* what, const KillRun& run, Clock::duration oneSave) {
    std::printf("[crash] %s: %d kills, old version %d times, new version %d times, damaged %d, "
                "temporary files left behind %d (one save takes %.1f ms)\n",
                what, run.kills, run.sawFirst, run.sawSecond, run.damaged, run.leftOver,
                std::chrono::duration<double, std::milli>(oneSave).count());
}

} // namespace

TEST(CrashConsistency, AKilledLibrarySaveLeavesTheOldOrTheNewDocumentWhole) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompts.xml");
    const PromptLibrary versions[2] = {largeLibrary(1, 2'000'000), largeLibrary(2, 1'500'000)};
    const std::string documents[2] = {serializePromptLibrary(versions[0]),
                                      serializePromptLibrary(versions[1])};
    ASSERT_TRUE(savePromptFile(versions[0], path));

    const auto start = Clock::now();
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(savePromptFile(versions[i % 2], path));
    const auto oneSave = (Clock::now() - start) / 4;

    const KillRun run = killWhileSaving(
        dir, path, killCount(), oneSave, [&](bool second) { (void)savePromptFile(versions[second], path); },
        [&](const std::string& bytes) {
            if (bytes == documents[0] || bytes == documents[1]) {
                PromptLibrary library;
                EXPECT_TRUE(parsePromptLibrary(bytes, library));
                EXPECT_TRUE(library == versions[bytes == documents[1]]);
                return bytes == documents[1] ? 1 : 0;
            }
            return -1;
        });
    print("prompts.xml", run, oneSave);
    EXPECT_EQ(run.damaged, 0);
    // Both versions were seen, so the kills did fall in the middle of the saving.
    EXPECT_GT(run.sawFirst, 0);
    EXPECT_GT(run.sawSecond, 0);
}

TEST(CrashConsistency, AKilledSettingsSaveLeavesTheOldOrTheNewFileWhole) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompt.cf");
    Settings versions[2];
    versions[0].fontSize = 13;
    versions[0].maxFavorites = 5;
    versions[1] = {2,
                   41,
                   18,
                   20,
                   true,
                   true,
                   true,
                   true,
                   true,
                   true,
                   {0x123456, 0xABCDEF},
                   {0x00FF00, 0x0000FF},
                   {0xFFFFFF, 0x808080}};
    const std::string files[2] = {serializeSettings(versions[0]), serializeSettings(versions[1])};
    ASSERT_TRUE(saveSettings(path, versions[0]));

    const auto start = Clock::now();
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(saveSettings(path, versions[i % 2]));
    const auto oneSave = (Clock::now() - start) / 20;

    const KillRun run = killWhileSaving(
        dir, path, killCount(), oneSave, [&](bool second) { (void)saveSettings(path, versions[second]); },
        [&](const std::string& bytes) { return bytes == files[0]   ? 0
                                               : bytes == files[1] ? 1
                                                                   : -1; });
    print("prompt.cf", run, oneSave);
    EXPECT_EQ(run.damaged, 0);
    EXPECT_GT(run.sawFirst, 0);
    EXPECT_GT(run.sawSecond, 0);
}
