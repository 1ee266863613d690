#include "app/commands.h"

#include "app/about_window.h"
#include "app/add_prompts.h"
#include "app/command_model.h"
#include "app/main_children.h"
#include "app/prompt_pane.h"
#include "browser/browser_host.h"
#include "library/library_commands.h"
#include "library/prompt_editor.h"
#include "library/search_window.h"
#include "settings/settings_window.h"

void onCommand(WPARAM wParam, LPARAM lParam) {
    const MainChildren& children = mainChildren();
    const int id = LOWORD(wParam);
    const int notification = HIWORD(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    const bool fromPromptCombo = control && control == children.promptCombo;
    switch (commandAction(id, notification, fromPromptCombo)) {
    case CommandAction::Clear:
        clearInputText();
        break;
    case CommandAction::Paste:
        pasteClipboardText();
        break;
    case CommandAction::Favorite:
        sendFavorite(id - kFirstFavoriteId);
        break;
    case CommandAction::About:
        openAboutWindow();
        break;
    case CommandAction::Settings:
        openSettingsWindow();
        break;
    case CommandAction::SwitchChat:
        switchChat(static_cast<int>(SendMessageW(children.aiCombo, CB_GETCURSEL, 0, 0)));
        break;
    case CommandAction::SelectPrompt:
        onPromptSelectionChanged();
        break;
    case CommandAction::Export:
        exportLibrary();
        break;
    case CommandAction::Import:
        importLibrary();
        break;
    case CommandAction::AddPrompts:
        addPromptsFromFile();
        break;
    case CommandAction::OpenEditor:
        openPromptEditor(id == kEditPromptId, selectedPrompt());
        break;
    case CommandAction::DeletePrompt:
        deletePrompt(selectedPrompt());
        break;
    case CommandAction::SearchPrompt:
        openSearchWindow();
        break;
    case CommandAction::Send:
        sendSelectedPrompt();
        break;
    case CommandAction::None:
        break;
    }
}
