#pragma once
// The main window's command ids and the fixed order in which WM_COMMAND is matched.
// Kept free of windows so the order can be checked on its own.

#include "favourites/favorites_model.h"

#include <cstddef>
#include <cstdint>

inline constexpr int kSendId = 500;
inline constexpr int kAiComboId = 600;
inline constexpr int kNewPromptId = 3001;
inline constexpr int kEditPromptId = 3002;
inline constexpr int kDeletePromptId = 3003;
inline constexpr int kSearchPromptId = 3004;
inline constexpr int kExportId = 4001;
inline constexpr int kImportId = 4002;
inline constexpr int kAddPromptsId = 4003;
inline constexpr int kAboutId = 7001;
inline constexpr int kSettingsId = 7002;
inline constexpr int kClearId = 9001;
inline constexpr int kPasteId = 9002;

// CBN_SELCHANGE, the one notification the dispatch looks at.
inline constexpr int kSelectionChanged = 1;

enum class CommandAction {
    Clear,
    Paste,
    Favorite,
    About,
    Settings,
    SwitchChat,
    SelectPrompt,
    Export,
    Import,
    AddPrompts,
    OpenEditor,
    DeletePrompt,
    SearchPrompt,
    Send,
    None,
};

// The action for one WM_COMMAND. The tests run in the order written in command_model.cpp and
// the first that matches decides. promptCombo has id 0 and is known only by its handle.
CommandAction commandAction(int id, int notification, bool fromPromptCombo);

// The entry showLibrary selects: the index when it is not -1 and below the count,
// else the first entry, or none (-1) in an empty library.
std::int32_t promptComboSelection(std::int32_t index, std::size_t promptCount);

// The entry selected at start: the stored index, or the first when it is out of range.
std::int32_t storedPromptSelection(std::int32_t storedIndex, std::size_t promptCount);
