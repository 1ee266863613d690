#include "base/file_io.h"
#include "library/prompt_file.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

TEST(FileIo, ReadsEveryByteOrNothing) {
    TempDir dir;
    const std::u16string path = dir.file(u"data \u00E4\u20AC.bin");
    const std::string bytes = std::string("<prompts>\0\r\n\x1A\xFF", 14) + std::string(70000, 'x');
    int calls = 0;
    const auto expect = [&calls](std::string_view wanted, bool answer) {
        return [&calls, wanted, answer](std::string_view got) {
            ++calls;
            EXPECT_EQ(got, wanted);
            return answer;
        };
    };
    for (const std::string& content : {bytes, std::string()}) {
        writeBytes(path, content);
        EXPECT_EQ(readWholeFile(path), content);
        EXPECT_TRUE(useWholeFile(path, expect(content, true)));
    }
    EXPECT_FALSE(useWholeFile(path, expect("", false))); // the call's answer is the result
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(readWholeFile(dir.file(u"missing")), std::nullopt);
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
    const std::set<std::u16string> justTheFile{u"prompts.xml"};
    for (const std::string& content : {std::string("first, long content"), std::string("short"),
                                       std::string(), std::string(3 << 20, 'x')}) {
        EXPECT_TRUE(writeFileAtomically(path, content));
        EXPECT_EQ(readWholeFile(path), content);
    }
    // In pieces; a writer that gives up part way leaves the file as it was.
    EXPECT_TRUE(writeFileAtomically(
        path, [](const ByteSink& sink) { return sink("first, ") && sink("") && sink("second"); }));
    EXPECT_EQ(readWholeFile(path), "first, second");
    EXPECT_FALSE(writeFileAtomically(path, [](const ByteSink& sink) { return sink("new, ") && false; }));
    EXPECT_EQ(readWholeFile(path), "first, second");
    EXPECT_EQ(dir.entries(), justTheFile);

    // A folder that doesn't exist: nothing is written and nothing is made.
    EXPECT_FALSE(writeFileAtomically(dir.file(u"missing/prompts.xml"), "x"));
    EXPECT_EQ(dir.entries(), justTheFile);
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

#ifdef _WIN32
    // The real replace failing: another program holds the file open without sharing deletion.
    HANDLE held = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(writeFileAtomically(path, "new"));
    CloseHandle(held);
    EXPECT_EQ(readBytes(path), oldBytes);
    EXPECT_EQ(dir.entries(), std::set<std::u16string>{u"prompts.xml"});
#endif
}
