#include "app/add_prompts.h"

#include "app/prompt_pane.h"
#include "base/file_io.h"
#include "base/utf8.h"
#include "base/wide_text.h"
#include "base/window.h"
#include "services/app_state.h"
#include "services/program.h"
#include "tools/prompt_import.h"

#include <filesystem>

namespace {

constexpr DWORD pathCapacity = 260;

int say(const std::u16string& text, UINT type) {
    return showMessageBox(app().mainWindow, wide(text), L"Prompts hinzufügen", type);
}

std::u16string digits(std::size_t number) {
    return fromUtf8(std::to_string(number));
}

// Why the file gives no prompts, with the place a reader names, as the program says it.
std::u16string whyUnread(const std::optional<PromptFormat>& format, bool opened, const ReadError& error) {
    if (!format)
        return u": nur Verbarix-Bibliotheken (.xml), JSON- (.json) und CSV-Dateien (.csv) werden gelesen.";
    if (!opened) return u".";
    static const char16_t* const places[] = {u"", u" (Zeile ", u" (Element ", u" (nach Element "};
    const auto place = static_cast<std::size_t>(error.place);
    std::u16string why = places[place];
    if (place != 0) why.append(digits(error.number)).append(u")");
    return why.append(u":\n").append(fromUtf8(error.reason));
}

} // namespace

void addPromptsFromFile() {
    AppState& state = app();
    wchar_t file[pathCapacity] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = state.mainWindow;
    dialog.lpstrFilter =
        L"Prompts (*.xml, *.json, *.csv)\0*.xml;*.json;*.csv\0Verbarix-Bibliothek (*.xml)\0*.xml\0"
        L"JSON (*.json)\0*.json\0CSV (*.csv)\0*.csv\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = pathCapacity;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    if (!askOpenFileName(&dialog)) return;

    const std::u16string path = fromWide(file);
    const std::u16string fileName = std::filesystem::path(path).filename().u16string();
    const std::u16string name = u"\"" + fileName + u"\"";
    const std::optional<PromptFormat> format = promptFormatOf(path);
    const std::optional<std::string> bytes = format ? readWholeFile(path) : std::nullopt;
    const PromptsRead read = bytes ? readPrompts(*bytes, *format) : PromptsRead{};
    if (!read.prompts) {
        say(u"Die Datei " + name + u" kann nicht gelesen werden" +
                whyUnread(format, bytes.has_value(), read.error) + u"\n\nEs wurde nichts hinzugefügt.",
            MB_OK | MB_ICONERROR);
        return;
    }
    const std::u16string note =
        read.windows1252 ? u"\n\nDie Datei ist nicht in UTF-8 geschrieben und wurde als Windows-1252 gelesen."
                         : u"";
    const PromptLibrary added = promptsToAdd(state.library, *read.prompts);
    const std::size_t count = read.prompts->size(), known = count - added.size();
    const std::u16string counted = promptCountText(count), knownCount = digits(known);
    if (added.empty()) {
        say((count == 0   ? u"In " + name + u" steht kein Prompt."
             : count == 1 ? u"Den Prompt aus " + name + u" gibt es schon."
                          : u"Alle " + counted + u" aus " + name + u" gibt es schon.") +
                note,
            MB_OK | MB_ICONINFORMATION);
        return;
    }
    std::u16string question = counted + u" aus " + name + u" hinzufügen?";
    if (known > 0)
        question += u" " + knownCount +
                    (known == 1 ? u" davon gibt es schon und wird übersprungen."
                                : u" davon gibt es schon und werden übersprungen.");
    if (say(question + note, MB_YESNO | MB_ICONQUESTION) != IDYES) return;

    const bool wasEmpty = state.library.empty();
    state.library.insert(state.library.end(), added.begin(), added.end());
    // Appended prompts move no other: the selection and its input text stay. In a library that
    // was empty, the first prompt is selected and shown as after an import.
    notifyLibraryChanged(wasEmpty ? 0 : selectedPrompt(), wasEmpty);
    saveLibrary();
}
