// The prompt editor: its two modes, what it shows, and what saving does to the library, the
// file, the prompt list and the favourites.
#include "tests/win/win_test_support.h"

#include "base/wide_text.h"
#include "library/prompt_file.h"

namespace {

constexpr int kNewPrompt = 3001;
constexpr int kEditPrompt = 3002;
constexpr int kDeletePrompt = 3003;
constexpr int kImport = 4002;

struct EditorFields {
    HWND name = nullptr;
    HWND text = nullptr;
    HWND fav = nullptr;
    HWND save = nullptr;
};

EditorFields editorFields() {
    EditorFields fields;
    HWND editor = app().editorWindow;
    for (HWND child : childWindows(editor)) {
        wchar_t name[32]{};
        GetClassNameW(child, name, 32);
        if (lstrcmpiW(name, L"Edit") != 0) continue;
        (GetWindowLongW(child, GWL_STYLE) & ES_MULTILINE ? fields.text : fields.name) = child;
    }
    fields.fav = GetDlgItem(editor, 2);
    fields.save = GetDlgItem(editor, 1);
    return fields;
}

bool isChecked(HWND box) {
    return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void pressSave() {
    HWND editor = app().editorWindow;
    SendMessageW(editor, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(editor, 1)));
    pumpMessages();
}

std::vector<std::u16string> favouriteButtonTexts() {
    std::vector<std::u16string> texts;
    for (HWND button : app().favoriteButtons)
        texts.push_back(windowText(button));
    return texts;
}

} // namespace

TEST_F(MainWindowTest, EditorOpensInTheModeOfItsFirstOpening) {
    writeLibrary({prompt(u"A", true, u"a-alt"), prompt(u"B")});
    ASSERT_NE(start(), nullptr);
    AppState& state = app();

    sendCommand(window_, kEditPrompt);
    HWND editor = state.editorWindow;
    ASSERT_TRUE(editor && IsWindow(editor));
    EXPECT_EQ(windowText(editor), u"Edit");
    EXPECT_EQ(state.editExisting, 1);
    EXPECT_EQ(state.editIndex, 0);
    EditorFields fields = editorFields();
    EXPECT_EQ(windowText(fields.name), u"A");
    EXPECT_EQ(windowText(fields.text), u"Text von A");
    EXPECT_TRUE(isChecked(fields.fav));
    EXPECT_EQ(windowText(fields.save), u"Speichern");
    EXPECT_EQ(SendMessageW(fields.text, WM_GETFONT, 0, 0),
              reinterpret_cast<LRESULT>(state.contentFont.get()));

    // Either command on an open editor only brings it to the front: mode, title, index and the
    // user's input stay.
    SetWindowTextW(fields.name, L"in Arbeit");
    SendMessageW(state.promptCombo, CB_SETCURSEL, 1, 0);
    sendCommand(window_, kNewPrompt);
    sendCommand(window_, kEditPrompt);
    EXPECT_EQ(state.editorWindow, editor);
    EXPECT_EQ(windowText(editor), u"Edit");
    EXPECT_EQ(state.editExisting, 1);
    EXPECT_EQ(state.editIndex, 0);
    EXPECT_EQ(windowText(fields.name), u"in Arbeit");

    // Closing without saving writes nothing and forgets the window.
    removePromptsFile();
    SendMessageW(editor, WM_CLOSE, 0, 0);
    pumpMessages();
    EXPECT_EQ(state.editorWindow, nullptr);
    EXPECT_FALSE(promptsFileExists());
    EXPECT_EQ(state.library[0].name, u"A");

    // Creating: empty fields, "Neu", and editIndex left as it was.
    sendCommand(window_, kNewPrompt);
    ASSERT_TRUE(state.editorWindow && IsWindow(state.editorWindow));
    EXPECT_EQ(windowText(state.editorWindow), u"Neu");
    EXPECT_EQ(state.editExisting, 0);
    EXPECT_EQ(state.editIndex, 0);
    fields = editorFields();
    EXPECT_EQ(windowText(fields.name), u"");
    EXPECT_EQ(windowText(fields.text), u"");
    EXPECT_FALSE(isChecked(fields.fav));
    DestroyWindow(state.editorWindow);

    // Editing with no prompt selected opens nothing but leaves editIndex at -1.
    SendMessageW(state.promptCombo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    sendCommand(window_, kEditPrompt);
    EXPECT_EQ(state.editorWindow, nullptr);
    EXPECT_EQ(state.editIndex, -1);
}

TEST_F(MainWindowTest, SavingANewPromptAppendsAndSelectsIt) {
    writeLibrary({prompt(u"A", false, u"a-alt"), prompt(u"B", true)});
    ASSERT_NE(start(), nullptr);
    AppState& state = app();
    SetWindowTextW(state.inputEdit, L"noch nicht gespeichert");

    sendCommand(window_, kNewPrompt);
    EditorFields fields = editorFields();
    SetWindowTextW(fields.name, L"Übersetzen");
    SetWindowTextW(fields.text, L"Zeile 1\r\nZeile 2 <&>");
    SendMessageW(fields.fav, BM_SETCHECK, BST_CHECKED, 0);
    pressSave();

    EXPECT_TRUE(windowsOfClass(L"EditDlg").empty());
    const Prompt added{u"Übersetzen", u"Zeile 1\r\nZeile 2 <&>", true, u""};
    ASSERT_EQ(state.library.size(), 3u);
    EXPECT_EQ(state.library[2], added);
    EXPECT_EQ(readLibrary(), state.library);
    EXPECT_EQ(state.editIndex, 2);
    EXPECT_EQ(comboEntries(state.promptCombo), (std::vector<std::u16string>{u"A", u"B", u"Übersetzen"}));
    EXPECT_EQ(comboSelection(state.promptCombo), 2);
    EXPECT_EQ(windowText(state.inputEdit), u"noch nicht gespeichert");
    EXPECT_EQ(favouriteButtonTexts(), (std::vector<std::u16string>{u"B", u"Übersetzen"}));
    EXPECT_EQ(state.favoriteIndices, (std::vector<std::int32_t>{1, 2}));

    // A new prompt without a name shows as an empty entry and a "(ohne Name)" favourite.
    sendCommand(window_, kNewPrompt);
    SendMessageW(editorFields().fav, BM_SETCHECK, BST_CHECKED, 0);
    pressSave();
    ASSERT_EQ(state.library.size(), 4u);
    EXPECT_EQ(comboEntries(state.promptCombo).back(), u"");
    EXPECT_EQ(favouriteButtonTexts().back(), u"(ohne Name)");
}

TEST_F(MainWindowTest, SavingAnEditKeepsPositionAndLastText) {
    writeLibrary({prompt(u"A", true, u"a-alt"), prompt(u"B", false, u"b-alt"), prompt(u"C", true)});
    writeSettings("prompt=1\r\n");
    ASSERT_NE(start(), nullptr);
    AppState& state = app();
    SendMessageW(state.promptCombo, CB_SETCURSEL, 0, 0);

    sendCommand(window_, kEditPrompt);
    EditorFields fields = editorFields();
    SetWindowTextW(fields.name, L"A neu");
    SetWindowTextW(fields.text, L"neuer Text");
    SendMessageW(fields.fav, BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(state.promptCombo, CB_SETCURSEL, 2, 0); // the selection moves meanwhile
    pressSave();

    EXPECT_EQ(state.editorWindow, nullptr);
    ASSERT_EQ(state.library.size(), 3u);
    EXPECT_EQ(state.library[0], (Prompt{u"A neu", u"neuer Text", false, u"a-alt"}));
    EXPECT_EQ(state.library[1].name, u"B");
    EXPECT_EQ(readLibrary(), state.library);
    EXPECT_EQ(comboEntries(state.promptCombo), (std::vector<std::u16string>{u"A neu", u"B", u"C"}));
    EXPECT_EQ(comboSelection(state.promptCombo), 0);
    EXPECT_EQ(favouriteButtonTexts(), (std::vector<std::u16string>{u"C"}));
    EXPECT_EQ(state.favoriteIndices, (std::vector<std::int32_t>{2}));
}

TEST_F(MainWindowTest, AnEditFollowsItsPromptAndIsSavedAsNewWhenThePromptIsGone) {
    writeLibrary({prompt(u"A"), prompt(u"B"), prompt(u"C", false, u"c-alt")});
    ASSERT_NE(start(), nullptr);
    AppState& state = app();

    // Edit the last prompt, then delete one before it: the edit still reaches "C", now at 1.
    SendMessageW(state.promptCombo, CB_SETCURSEL, 2, 0);
    sendCommand(window_, kEditPrompt);
    SetWindowTextW(editorFields().name, L"C bearbeitet");
    SendMessageW(state.promptCombo, CB_SETCURSEL, 0, 0);
    dialogs().messageBoxAnswer = IDYES;
    sendCommand(window_, kDeletePrompt);
    ASSERT_EQ(state.library.size(), 2u);
    ASSERT_TRUE(state.editorWindow && IsWindow(state.editorWindow));
    pressSave();
    ASSERT_EQ(state.library.size(), 2u);
    EXPECT_EQ(state.library[0], prompt(u"B"));
    EXPECT_EQ(state.library[1], (Prompt{u"C bearbeitet", u"Text von C", false, u"c-alt"}));
    EXPECT_EQ(comboSelection(state.promptCombo), 1);
    EXPECT_EQ(readLibrary(), state.library);

    // Edit "B" and delete "B" itself: the input comes back as a new prompt at the end.
    SendMessageW(state.promptCombo, CB_SETCURSEL, 0, 0);
    sendCommand(window_, kEditPrompt);
    SetWindowTextW(editorFields().text, L"B neu");
    sendCommand(window_, kDeletePrompt);
    ASSERT_EQ(state.library.size(), 1u);
    pressSave();
    ASSERT_EQ(state.library.size(), 2u);
    EXPECT_EQ(state.library[0].name, u"C bearbeitet");
    EXPECT_EQ(state.library[1], (Prompt{u"B", u"B neu", false, u""}));
    EXPECT_EQ(comboSelection(state.promptCombo), 1);

    // An import replaces the prompt under the editor, even one at a still valid index.
    PromptLibrary imported{prompt(u"X"), prompt(u"Y")};
    ASSERT_TRUE(savePromptFile(imported, testFile(u"zwei.xml")));
    SendMessageW(state.promptCombo, CB_SETCURSEL, 0, 0);
    sendCommand(window_, kEditPrompt);
    SetWindowTextW(editorFields().text, L"gerettet");
    dialogs().fileDialogAnswer = testFile(u"zwei.xml");
    sendCommand(window_, kImport);
    ASSERT_EQ(state.library.size(), 2u);
    pressSave();
    ASSERT_EQ(state.library.size(), 3u);
    EXPECT_EQ(state.library[0], prompt(u"X"));
    EXPECT_EQ(state.library[2], (Prompt{u"C bearbeitet", u"gerettet", false, u""}));
    EXPECT_EQ(state.editIndex, 2);
    EXPECT_EQ(comboSelection(state.promptCombo), 2);
}
