#pragma once
// The one driver of the window tests and the random run: starts the real main window in this
// process from an empty storage folder, answers message boxes and file dialogs (each noted as
// one line), plays the user's actions and reads back what the program shows and writes.
#include "app/app_state.h"
#include "app/layout_model.h"

#include <gtest/gtest.h>
#include <windows.h>


// The user's actions; `n` picks the entry, text, answer or file.
enum Act { Choose, Type, Clear, Paste, Favourite, Send, Chat, About, Options, Font, Count, Colour,
           New, Edit, Save, Shut, Delete, Export, Import, Resize, Restart, kActs };

// One step of a scenario: the action, its `n`, and what must show afterwards.
struct Step { Act act; unsigned n; const char* expected; };

void pump();
void command(int id, int notification = 0, HWND control = nullptr);
std::string text(HWND window);
std::string utf8(const wchar_t* text);
std::string replaced(std::string text, const std::string& from, const std::string& to);
std::string flat(const std::string& text); // CR LF as "\\n", other line ends as "; "
Prompt prompt(const char* name, bool fav = false, const char* last = "");
Box box(HWND window); // in the main window's client coordinates
std::size_t gdiCount();  // GDI objects and DCs made by this exe and not given back
std::size_t windowCount(); // this thread's windows, children included

struct Win : ::testing::Test {
    void SetUp() override;
    void TearDown() override;
    HWND start(int show = SW_HIDE);
    void close();
    void act(Act act, unsigned n = 0);
    // A file of the storage folder, or with "~" of the test's own folder.
    std::u16string path(const char16_t* file) const { return *file == u'~' ? root + (file + 1) : root + u"\\Quillory\\" + file; }
    void write(const char16_t* file, const std::string& bytes);
    void write(const PromptLibrary& library) { write(u"prompts.xml", bytes(library)); }
    std::string read(const char16_t* file) const; // "-" when missing
    std::string bytes(const PromptLibrary& library) const; // as savePromptFile writes it
    // The prompt list and its selection, the input text, prompts.xml, its backup, the stored
    // indices and the dialogs since the last call.
    std::string state();

    std::u16string root;
    std::vector<std::string> dialogs;
    int answer = IDYES;
    std::u16string chosenFile; // empty cancels
    int show = SW_HIDE;
};
