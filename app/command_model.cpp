#include "app/command_model.h"

CommandAction commandAction(int id, int notification, bool fromPromptCombo) {
    if (id == kClearId) return CommandAction::Clear;
    if (id == kPasteId) return CommandAction::Paste;
    if (id >= kFirstFavoriteId && id <= kLastFavoriteId) return CommandAction::Favorite;
    if (id == kAboutId) return CommandAction::About;
    if (id == kSettingsId) return CommandAction::Settings;
    if (notification == kSelectionChanged && id == kAiComboId) return CommandAction::SwitchChat;
    if (notification == kSelectionChanged && fromPromptCombo) return CommandAction::SelectPrompt;
    if (id == kExportId) return CommandAction::Export;
    if (id == kImportId) return CommandAction::Import;
    if (id == kAddPromptsId) return CommandAction::AddPrompts;
    if (id == kNewPromptId || id == kEditPromptId) return CommandAction::OpenEditor;
    if (id == kDeletePromptId) return CommandAction::DeletePrompt;
    if (id == kSearchPromptId) return CommandAction::SearchPrompt;
    if (id == kSendId) return CommandAction::Send;
    return CommandAction::None;
}

std::int32_t promptComboSelection(std::int32_t index, std::size_t promptCount) {
    const auto count = static_cast<std::int64_t>(promptCount);
    if (index != -1 && index < count) return index;
    return count > 0 ? 0 : -1;
}

std::int32_t storedPromptSelection(std::int32_t storedIndex, std::size_t promptCount) {
    const auto count = static_cast<std::int64_t>(promptCount);
    return storedIndex < 0 || storedIndex >= count ? 0 : storedIndex;
}
