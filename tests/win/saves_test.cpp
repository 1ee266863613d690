// Saves that fail: what the user is told and what is kept.
#include "tests/win/driver.h"

TEST_F(Win, FailedSavesAreSaidOncePerFileAndTheEditorKeepsItsText) {
    write({prompt("A"), prompt("B")});
    // A folder where a file should be: no save can replace it.
    CreateDirectoryW(wide(path(u"prompt.cf")), nullptr);
    ASSERT_TRUE(start());
    const std::string said = "Verbarix: Die Datei \"~\\Quillory\\",
                      failed = "\" konnte nicht gespeichert werden. 16";
    EXPECT_EQ(state(), "list=[A,B] sel=0 in=\"\" xml=[A B] bak=- p=0 ai=0 | " + said + "prompt.cf" + failed);
    // clang-format off
    const std::tuple<bool, std::string, unsigned, std::string, bool> steps[] = {
        // prompts.xml blocked, the action, what changes, the editor open afterwards
        {false, "Choose", 1, "sel=1", false},
        {true, "New", 0, "xml=-", true},
        {true, "Save", 1, "list=[A,B,P1] sel=2 | " + said + "prompts.xml" + failed + " (foreign owner)", true},
        {true, "Save", 3, "list=[A,B,P3]", true},
        {false, "Save", 0, "xml=[A B P3*=$3]", false},
        {true, "Clear", 0, "xml=- | " + said + "prompts.xml" + failed, false},
    };
    // clang-format on
    for (int i = 0; const auto& [blocked, action, n, expected, editor] : steps) {
        if (blocked) {
            DeleteFileW(wide(path(u"prompts.xml")));
            CreateDirectoryW(wide(path(u"prompts.xml")), nullptr);
        } else {
            RemoveDirectoryW(wide(path(u"prompts.xml")));
        }
        act(action, n);
        EXPECT_EQ(state(), expected) << "step " << i;
        EXPECT_EQ(IsWindow(app().editorWindow) != 0, editor) << "step " << i++;
    }
}
