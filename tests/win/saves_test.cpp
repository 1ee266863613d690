// Saves that fail, and imports that replace a library: what the user is told and what is kept.
#include "tests/win/driver.h"

#include "library/backups.h"

#include <regex>

TEST_F(Win, FailedSavesAreSaidOncePerFileAndTheEditorKeepsItsText) {
    write({prompt("A"), prompt("B")});
    // A folder where a file should be: no save can replace it.
    CreateDirectoryW(wide(path(u"prompt.cf")), nullptr);
    ASSERT_TRUE(start());
    const std::string said = "Verbarix: Die Datei \"~\\Quillory\\",
                      failed = "\" konnte nicht gespeichert werden. 16";
    EXPECT_EQ(state(), "list=[A,B] sel=0 in=\"\" xml=[A B] bak=[] p=0 ai=0 | " + said + "prompt.cf" + failed);
    // clang-format off
    const std::tuple<bool, std::string, unsigned, std::string> steps[] = {
        // prompts.xml blocked, the action, what changes and whether the editor is open afterwards
        {false, "Choose", 1, "sel=1"},
        {true, "New", 0, "xml=- (editor)"},
        {true, "Save", 1, "list=[A,B,P1] sel=2 | " + said + "prompts.xml" + failed + " (foreign owner) (editor)"},
        {true, "Save", 3, "list=[A,B,P3] (editor)"},
        {false, "Save", 0, "xml=[A B P3*=$3]"},
        {true, "Clear", 0, "xml=- | " + said + "prompts.xml" + failed},
        {false, "Choose", 2, "xml=[A B P3*=$3]"}, // no text changed, but the last save failed
    };
    // clang-format on
    const std::u16string file = path(u"prompts.xml");
    for (int i = 0; const auto& [blocked, action, n, expected] : steps) {
        RemoveDirectoryW(wide(file));
        if (blocked) {
            DeleteFileW(wide(file));
            CreateDirectoryW(wide(file), nullptr);
        }
        act(action, n);
        EXPECT_EQ(state() + (IsWindow(app().editorWindow) ? " (editor)" : ""), expected) << "step " << i++;
    }
}

TEST_F(Win, ImportAsksBeforeReplacingAndKeepsTheFiveNewestBackups) {
    write({prompt("A"), prompt("B"), prompt("C")});
    for (int second = 1; second <= 6; ++second)
        write(backupFileName(2020, 1, 1, 0, 0, second).c_str(), "alt" + std::to_string(second));
    write(u"prompts-backup-notes.xml", "notes");
    ASSERT_TRUE(start());
    EXPECT_EQ(state(),
              "list=[A,B,C] sel=0 in=\"\" xml=[A B C] bak=[alt1 alt2 alt3 alt4 alt5 alt6 notes] p=0 ai=0");
    const std::string ask = "| XML|*.xml|  . 4104 | Import Prompts: ",
                      refused = " | Import Prompts: Die Datei \"~\\Quillory\\prompts.xml\" konnte nicht nach "
                                "\"~\\Quillory\\prompts-backup-T.xml\" gesichert werden. Der Import wurde "
                                "abgebrochen. 16";
    // clang-format off
    const std::tuple<int, unsigned, bool, std::string> steps[] = {
        // the answer, the import's n, prompts.xml held open without sharing, what changes
        {IDNO, 6, false, ask + "Die 3 Prompts der Bibliothek durch 0 Prompts aus \"import.xml\" ersetzen? 36"},
        {IDYES, 5, false, "list=[I0,I1] in=\"alt\" xml=[I0:alt I1*] bak=[alt3 alt4 alt5 alt6 3 notes] " + ask + "Die 3 Prompts der Bibliothek durch 2 Prompts aus \"import.xml\" ersetzen? 36"},
        {IDYES, 1, false, "list=[I0] xml=[I0:alt] bak=[alt4 alt5 alt6 3 2 notes] " + ask + "Die 2 Prompts der Bibliothek durch 1 Prompt aus \"import.xml\" ersetzen? 36"},
        {IDYES, 5, true, ask + "Den 1 Prompt der Bibliothek durch 2 Prompts aus \"import.xml\" ersetzen? 36" + refused},
        {IDYES, 2, false, "list=[] sel=-1 in=\"\" xml=[] bak=[alt5 alt6 3 2 1 notes] " + ask + "Den 1 Prompt der Bibliothek durch 0 Prompts aus \"import.xml\" ersetzen? 36"},
        {IDYES, 5, false, "list=[I0,I1] sel=0 in=\"alt\" xml=[I0:alt I1*] bak=[alt6 3 2 1 0 notes] | XML|*.xml|  . 4104"},
    };
    // clang-format on
    for (int i = 0; const auto& [reply, n, locked, expected] : steps) {
        answer = reply;
        HANDLE lock = locked ? CreateFileW(wide(path(u"prompts.xml")), GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, 0, nullptr)
                             : INVALID_HANDLE_VALUE;
        act("Import", n);
        if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
        // A new backup's name holds the time it was made.
        const std::regex stamp("prompts-backup-[0-9]{8}-[0-9]{6}");
        EXPECT_EQ(std::regex_replace(state(), stamp, "prompts-backup-T"), expected) << "step " << i++;
    }
}

// A deleted prompt goes to prompts-deleted.xml first, from where the library reader brings it
// back; while that file can't be written, nothing is deleted.
TEST_F(Win, DeletedPromptsCanBeBroughtBack) {
    write({prompt("A", false, "a"), prompt("B", true)});
    const std::u16string deleted = path(u"prompts-deleted.xml");
    CreateDirectoryW(wide(deleted), nullptr);
    ASSERT_TRUE(start());
    state();
    const std::string asked = " | Prompt löschen: Möchten Sie den Prompt \"";
    act("Delete", 0);
    EXPECT_EQ(state(),
              asked.substr(1) +
                  "A\" wirklich löschen? 36 | Prompt löschen: Der Prompt wurde nicht gelöscht: "
                  "Die Datei \"~\\Quillory\\prompts-deleted.xml\" konnte nicht geschrieben werden. 16");
    RemoveDirectoryW(wide(deleted));
    act("Delete", 0);
    act("Delete", 0);
    EXPECT_EQ(state(), "list=[] sel=-1 in=\"\" xml=[]" + asked + "A\" wirklich löschen? 36" + asked +
                           "B\" wirklich löschen? 36");
    chosenFile = deleted;
    command(4002);
    EXPECT_EQ(state(), "list=[A,B] sel=0 in=\"a\" xml=[A:a B*] bak=[0] | XML|*.xml|  . 4104");
}
