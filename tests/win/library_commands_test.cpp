// Deleting the selected prompt, exporting and importing the library: the question, the dialogs,
// the files written and what the main window shows afterwards.
#include "tests/win/win_test_support.h"

#include "base/wide_text.h"
#include "base/file_io.h"
#include "library/prompt_file.h"

namespace {

constexpr int kDeletePrompt = 3003;
constexpr int kExport = 4001;
constexpr int kImport = 4002;

std::string fileBytes(const std::u16string& path) {
    return readWholeFile(path).value_or("<missing>");
}

} // namespace

TEST_F(MainWindowTest, DeleteAsksFirstAndOnlyYesDeletes) {
    writeLibrary({prompt(u"A", false, u"a-alt"), prompt(u"B \"x\"", false, u"b-alt"), prompt(u"C", true)});
    writeSettings("prompt=1\r\n");
    ASSERT_NE(start(), nullptr);
    AppState& state = app();
    SetWindowTextW(state.inputEdit, L"wird verworfen");
    removePromptsFile();

    dialogs().messageBoxAnswer = IDNO;
    sendCommand(window_, kDeletePrompt);
    ASSERT_EQ(dialogs().messageBoxes.size(), 1u);
    const RecordedMessageBox& question = dialogs().messageBoxes[0];
    EXPECT_EQ(question.text, u"Möchten Sie den Prompt \"B \"x\"\" wirklich löschen?");
    EXPECT_EQ(question.caption, u"Prompt löschen");
    EXPECT_EQ(question.type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(question.owner, window_);
    EXPECT_EQ(state.library.size(), 3u);
    EXPECT_FALSE(promptsFileExists());
    EXPECT_EQ(comboSelection(state.promptCombo), 1);
    EXPECT_EQ(readSettings().promptIndex, 1);

    dialogs().messageBoxAnswer = IDYES;
    sendCommand(window_, kDeletePrompt);
    EXPECT_EQ(dialogs().messageBoxes.size(), 2u);
    const PromptLibrary expected{prompt(u"A", false, u"a-alt"), prompt(u"C", true)};
    EXPECT_EQ(state.library, expected);
    EXPECT_EQ(readLibrary(), expected);
    EXPECT_EQ(comboEntries(state.promptCombo), (std::vector<std::u16string>{u"A", u"C"}));
    EXPECT_EQ(comboSelection(state.promptCombo), 0);
    EXPECT_EQ(windowText(state.inputEdit), u"a-alt");
    EXPECT_EQ(readSettings().promptIndex, 0);
    EXPECT_EQ(state.favoriteIndices, (std::vector<std::int32_t>{1})); // C moved down

    // Deleting the rest empties everything, the file included; with nothing selected there is no question.
    sendCommand(window_, kDeletePrompt);
    sendCommand(window_, kDeletePrompt);
    EXPECT_EQ(dialogs().messageBoxes.size(), 4u);
    EXPECT_TRUE(state.library.empty());
    EXPECT_TRUE(comboEntries(state.promptCombo).empty());
    EXPECT_EQ(comboSelection(state.promptCombo), -1);
    EXPECT_EQ(windowText(state.inputEdit), u"");
    EXPECT_TRUE(state.favoriteButtons.empty());
    EXPECT_FALSE(hasVisibleStyle(state.favHeader));
    const std::string file = fileBytes(promptsPath());
    EXPECT_NE(file.find("<prompts>"), std::string::npos);
    EXPECT_EQ(file.find("<item>"), std::string::npos);
    sendCommand(window_, kDeletePrompt);
    EXPECT_EQ(dialogs().messageBoxes.size(), 4u);
}

TEST_F(MainWindowTest, ImportReplacesTheLibraryAndKeepsTheOldFileAsBackup) {
    writeLibrary({prompt(u"A", false, u"a-alt"), prompt(u"B")});
    writeSettings("prompt=1\r\n");
    const std::u16string backup = promptsPath() + u".bak";
    ASSERT_TRUE(writeFileAtomically(backup, "eine ältere Sicherung"));
    ASSERT_NE(start(), nullptr);
    AppState& state = app();
    const std::string before = fileBytes(promptsPath());
    SetWindowTextW(state.inputEdit, L"wird verworfen");

    // The same prompts twice over would double nothing: an import replaces, it doesn't merge.
    const PromptLibrary incoming{prompt(u"B"), prompt(u"X", true, u"x-alt"), prompt(u"Y")};
    ASSERT_TRUE(savePromptFile(incoming, testFile(u"neu.xml")));
    dialogs().fileDialogAnswer = testFile(u"neu.xml");
    sendCommand(window_, kImport);

    ASSERT_EQ(dialogs().openDialogs.size(), 1u);
    const RecordedFileDialog& dialog = dialogs().openDialogs[0];
    EXPECT_EQ(dialog.structSize, sizeof(OPENFILENAMEW));
    EXPECT_EQ(dialog.owner, window_);
    EXPECT_EQ(dialog.filter, (std::vector<std::u16string>{u"XML", u"*.xml"}));
    EXPECT_EQ(dialog.initialFile, u"");
    EXPECT_EQ(dialog.defaultExtension, std::nullopt);
    EXPECT_EQ(dialog.flags, static_cast<DWORD>(OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR));

    EXPECT_EQ(state.library, incoming);
    EXPECT_EQ(readLibrary(), incoming);
    EXPECT_EQ(fileBytes(backup), before);
    EXPECT_EQ(comboEntries(state.promptCombo), (std::vector<std::u16string>{u"B", u"X", u"Y"}));
    EXPECT_EQ(comboSelection(state.promptCombo), 0);
    EXPECT_EQ(windowText(state.inputEdit), u"");
    EXPECT_EQ(readSettings().promptIndex, 0);
    EXPECT_EQ(state.favoriteIndices, (std::vector<std::int32_t>{1}));
    EXPECT_TRUE(dialogs().messageBoxes.empty());

    // A second import backs up the first import's result, replacing the older backup.
    const std::string afterFirst = fileBytes(promptsPath());
    const PromptLibrary other{prompt(u"Z", false, u"z-alt")};
    ASSERT_TRUE(savePromptFile(other, testFile(u"anders.xml")));
    dialogs().fileDialogAnswer = testFile(u"anders.xml");
    sendCommand(window_, kImport);
    EXPECT_EQ(state.library, other);
    EXPECT_EQ(windowText(state.inputEdit), u"z-alt");
    EXPECT_EQ(fileBytes(backup), afterFirst);
}

TEST_F(MainWindowTest, ImportOfAFileWithoutItems) {
    writeLibrary({prompt(u"A", true, u"a-alt")});
    ASSERT_NE(start(), nullptr);
    AppState& state = app();
    const std::u16string backup = promptsPath() + u".bak";
    const std::string before = fileBytes(promptsPath());

    // Neither an item nor "<prompts>": not a library; nothing changes, nothing is written.
    ASSERT_TRUE(
        writeFileAtomically(testFile(u"fremd.xml"), "<?xml version=\"1.0\"?>\n<notes>hallo</notes>\n"));
    dialogs().fileDialogAnswer = testFile(u"fremd.xml");
    sendCommand(window_, kImport);
    EXPECT_EQ(state.library.size(), 1u);
    EXPECT_EQ(fileBytes(promptsPath()), before);
    EXPECT_EQ(fileBytes(backup), "<missing>");
    EXPECT_EQ(comboSelection(state.promptCombo), 0);
    EXPECT_TRUE(dialogs().messageBoxes.empty());

    // "<prompts>" without an item: the library becomes empty and is saved so.
    ASSERT_TRUE(writeFileAtomically(testFile(u"leer.xml"), "<prompts>\n</prompts>"));
    dialogs().fileDialogAnswer = testFile(u"leer.xml");
    sendCommand(window_, kImport);
    EXPECT_TRUE(state.library.empty());
    EXPECT_TRUE(readLibrary().empty());
    EXPECT_EQ(fileBytes(backup), before);
    EXPECT_EQ(comboSelection(state.promptCombo), -1);
    EXPECT_EQ(windowText(state.inputEdit), u"");
    EXPECT_TRUE(state.favoriteButtons.empty());

    // A cancelled dialog does nothing.
    dialogs().fileDialogAnswer.reset();
    removePromptsFile();
    sendCommand(window_, kImport);
    EXPECT_FALSE(promptsFileExists());
}
