#pragma once
// The one driver of the window tests and the random run: starts the real main window in this
// process from an empty storage folder, answers message boxes and file dialogs (each noted as
// one line), plays the user's actions and reads back what the program shows and writes.
#include "app/main_children.h"
#include "browser/browser_host.h"
#include "favourites/favorites.h"
#include "services/app_state.h"
#include "base/geometry.h"
#include "base/wide_text.h"
#include "base/file_io.h"
#include "library/prompt_file.h"
#include "base/utf8.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <set>
#include <tuple>

// The user's actions, by name; act()'s `n` picks the entry, text, answer or file. Restart last.
inline const std::string kActions[] = {"Choose", "Type",  "Clear",   "Paste",  "Favourite", "Send",
                                       "Chat",   "About", "Options", "Font",   "Count",     "Colour",
                                       "New",    "Edit",  "Save",    "Shut",   "Delete",    "Export",
                                       "Import", "Add",   "Resize",  "Search", "Pick",      "Restart"};

// One step of a scenario: the action, its `n`, and what must change with it.
using Step = std::tuple<std::string, unsigned, std::string>;

void pump();
void command(int id); // a menu item or button of the main window
void withClipboard(const std::u16string& text, const std::function<void()>& use);
std::string text(HWND window);
std::string utf8(const wchar_t* text);
std::string replaced(std::string text, const std::string& from, const std::string& to);
Prompt prompt(const char* name, bool fav = false, const char* last = "");
// The file dialog and question of an import that replaces `what` ("Die 3 Prompts der Bibliothek durch 2
// Prompts").
std::string importAsked(const std::string& what);
Box box(HWND window);             // in the main window's client coordinates
std::size_t gdiCount();           // GDI objects and DCs made by this exe and not given back
std::set<HWND> takeInvalidated(); // the windows InvalidateRect was called for since the last call

struct Win : ::testing::Test {
    void SetUp() override;
    void TearDown() override;
    HWND start(int show = SW_HIDE);
    void close();
    void act(const std::string& action, unsigned n = 0);
    // Plays the steps; after each, now() must be the step's expectation.
    void play(const std::vector<Step>& steps, const std::function<std::string()>& now);
    // A file of the storage folder, or with "~" of the test's own folder.
    std::u16string path(const char16_t* file) const {
        return *file == u'~' ? root + (file + 1) : store + file;
    }
    void write(const char16_t* file, const std::string& bytes);
    void write(const PromptLibrary& library) { write(u"prompts.xml", bytes(library)); }
    std::string read(const char16_t* file) const { return readWholeFile(path(file)).value_or("-"); }
    std::string bytes(const PromptLibrary& library) const; // as savePromptFile writes it
    // The "key=value" parts that differ from the last call, then the dialogs since then; CR LF
    // shows as "\n", the typed texts as $1 to $3.
    std::string changed(const std::vector<std::pair<std::string, std::string>>& parts);
    // changed() of: the prompt list, its selection, the input text, prompts.xml and its backup
    // (name, "*" for a favourite, "=text" unless "t" + name, ":last input"), the stored indices,
    // and the search window's rows and count line while it is open.
    std::string state();

    std::u16string root, store; // the test's own folder and the storage folder in it
    std::map<std::string, std::string> last;
    std::vector<std::string> dialogs;
    int answer = IDYES;
    std::function<void(const std::string& line)> onBox; // called while a message box is shown
    std::u16string chosenFile;                          // empty cancels
    int show = SW_HIDE;
};
