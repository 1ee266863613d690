// Saves that fail, files not read whole, and imports that replace a library: what the user is
// told and what is kept.
#include "tests/win/driver.h"

#include "library/backups.h"

#include <filesystem>
#include <regex>

TEST_F(Win, FailedSavesAreSaidOncePerFileAndAtEverySaveTheUserAsksFor) {
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
        {true, "Save", 3, "list=[A,B,P3] | " + said + "prompts.xml" + failed + " (foreign owner) (editor)"},
        {false, "Save", 0, "xml=[A B P3*=$3]"},
        {true, "Clear", 0, "xml=- | " + said + "prompts.xml" + failed},
        // the backup from the library in memory: the file is older
        {true, "Import", 5, "list=[I0,I1] sel=0 in=\"alt\" bak=[3] " + importAsked("Die 3 Prompts der Bibliothek durch 2 Prompts")},
        {false, "Choose", 0, "xml=[I0:alt I1*]"}, // no text changed, but the last save failed
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
        write(datedFileName(kBackupPrefix, 2020, 1, 1, 0, 0, second).c_str(), "alt" + std::to_string(second));
    write(u"prompts-backup-notes.xml", "notes");
    ASSERT_TRUE(start());
    EXPECT_EQ(state(),
              "list=[A,B,C] sel=0 in=\"\" xml=[A B C] bak=[alt1 alt2 alt3 alt4 alt5 alt6 notes] p=0 ai=0");
    const std::string refused = " | Import Prompts: Die bisherige Bibliothek konnte nicht in \"~\\Quillory\" "
                                "gesichert werden. Der Import wurde abgebrochen. 16";
    // clang-format off
    const std::tuple<int, unsigned, int, std::string> steps[] = {
        // the answer, the import's n, prompts.xml as it is (0), held open without sharing (1) or removed (2), what changes
        {IDNO, 6, 0, importAsked("Die 3 Prompts der Bibliothek durch 0 Prompts")},
        {IDYES, 5, 1, importAsked("Die 3 Prompts der Bibliothek durch 2 Prompts") + refused},
        {IDYES, 5, 0, "list=[I0,I1] in=\"alt\" xml=[I0:alt I1*] bak=[alt3 alt4 alt5 alt6 3 notes] " + importAsked("Die 3 Prompts der Bibliothek durch 2 Prompts")},
        {IDYES, 1, 2, "list=[I0] xml=[I0:alt] bak=[alt4 alt5 alt6 3 2 notes] " + importAsked("Die 2 Prompts der Bibliothek durch 1 Prompt")},
        {IDYES, 1, 0, "bak=[alt5 alt6 3 2 1 notes] " + importAsked("Den 1 Prompt der Bibliothek durch 1 Prompt")},
        {IDYES, 1, 0, importAsked("Den 1 Prompt der Bibliothek durch 1 Prompt")},
        {IDYES, 2, 0, "list=[] sel=-1 in=\"\" xml=[] " + importAsked("Den 1 Prompt der Bibliothek durch 0 Prompts")},
        {IDYES, 5, 0, "list=[I0,I1] sel=0 in=\"alt\" xml=[I0:alt I1*] bak=[alt6 3 2 1 0 notes] | XML|*.xml|  . 4104"},
    };
    // clang-format on
    for (int i = 0; const auto& [reply, n, file, expected] : steps) {
        answer = reply;
        if (file == 2) DeleteFileW(wide(path(u"prompts.xml")));
        HANDLE lock = file == 1 ? CreateFileW(wide(path(u"prompts.xml")), GENERIC_READ, 0, nullptr,
                                              OPEN_EXISTING, 0, nullptr)
                                : INVALID_HANDLE_VALUE;
        act("Import", n);
        if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
        // A new backup's name holds the time it was made.
        const std::regex stamp("prompts-backup-[0-9]{8}-[0-9]{6}");
        EXPECT_EQ(std::regex_replace(state(), stamp, "prompts-backup-T"), expected) << "step " << i++;
    }
}

// Notepad's "ANSI" file (its "Unicode" one is read in the core tests) is kept unchanged beside
// before it is first written over, and the user is told once.
TEST_F(Win, AFileNotReadWholeIsKeptBeforeItIsWrittenOver) {
    const std::string ansi = "<prompts><item><name>M\xFCller</name></item></prompts>";
    write(u"prompts.xml", ansi);
    ASSERT_TRUE(start());
    act("Clear");
    act("Clear");
    std::string kept;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(store)))
        if (entry.path().filename().string().starts_with("prompts-unreadable-"))
            kept += read(entry.path().filename().u16string().c_str());
    EXPECT_EQ(kept, ansi);
    const std::regex stamp("prompts-unreadable-[0-9]{8}-[0-9]{6}");
    EXPECT_EQ(
        std::regex_replace(state(), stamp, "prompts-unreadable-T"),
        "list=[M\uFFFDller] sel=0 in=\"\" xml=[M\uFFFDller=] bak=[] p=0 ai=0 | Verbarix: Die Datei "
        "\"~\\Quillory\\prompts.xml\" konnte nicht vollständig gelesen werden. Sie wurde unverändert als "
        "\"~\\Quillory\\prompts-unreadable-T.xml\" aufbewahrt. 48");
}

// Closing asks while prompts.xml or prompt.cf can't be written: until they are, or the user gives up.
TEST_F(Win, ClosingAsksUntilTheFailedSavesAreDoneOrGivenUp) {
    write({prompt("A")});
    ASSERT_TRUE(start());
    act("Type", 1);
    for (const char16_t* file : {u"prompts.xml", u"prompt.cf"}) {
        DeleteFileW(wide(path(file)));
        CreateDirectoryW(wide(path(file)), nullptr);
    }
    // Retried, then retried with prompts.xml free again, then given up.
    answer = IDRETRY;
    onBox = [&](const std::string&) {
        if (dialogs.size() == 2) RemoveDirectoryW(wide(path(u"prompts.xml")));
        if (dialogs.size() == 3) answer = IDCANCEL;
    };
    close();
    const std::string
        cf = "Die Datei \"~\\Quillory\\prompt.cf\" konnte nicht gespeichert werden.\n\nWas seit "
             "dem letzten Speichern geändert wurde, geht mit \"Abbrechen\" verloren. 21",
        both = "Verbarix: Die Datei \"~\\Quillory\\prompts.xml\" konnte nicht gespeichert werden.\n" + cf;
    EXPECT_EQ(dialogs, (std::vector<std::string>{both, both, "Verbarix: " + cf}));
    EXPECT_EQ(read(u"prompts.xml"), bytes({prompt("A", false, "für B ✓")}));
}

// A failed save's box during an import shows over a search window that lists the new library,
// and a pick in it (while the box is shown) picks nothing the window does not show.
TEST_F(Win, BoxesComeAfterTheSearchWindowFollowsAnImport) {
    write({prompt("A"), prompt("p")});
    ASSERT_TRUE(start());
    act("Search", 2); // "p"
    state();
    DeleteFileW(wide(path(u"prompt.cf")));
    CreateDirectoryW(wide(path(u"prompt.cf")), nullptr);
    std::string inBox;
    onBox = [&](const std::string& line) {
        if (!line.starts_with("Verbarix")) return;
        inBox = state();
        inBox.resize(inBox.find(" | ")); // what shows, without the dialogs
        act("Pick", 0);
    };
    act("Import", 5);
    EXPECT_EQ(inBox, "list=[I0,I1] in=\"alt\" bak=[2] search=[] 0 von 2 Prompts");
    EXPECT_EQ(state(), "xml=[I0:alt I1*]");
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
