// "Prompts hinzufügen…": prompts of other files are appended after a question that counts them,
// and every view of the library follows.
#include "tests/win/driver.h"

TEST_F(Win, AddedPromptsAreAppendedOnceAndEveryViewFollows) {
    write({prompt("A", false, "a"), prompt("I0")});
    ASSERT_TRUE(start());
    act("Choose", 1);
    act("Type", 1);
    act("Search", 0);
    EXPECT_EQ(state(),
              "list=[A,I0] sel=1 in=\"$1\" xml=[A:a I0:a] bak=[] p=1 ai=0 search=[A,I0] 2 von 2 Prompts");
    const std::string
        ask = "| Prompts (*.xml, *.json, *.csv)|*.xml;*.json;*.csv|Verbarix-Bibliothek (*.xml)|*.xml|"
              "JSON (*.json)|*.json|CSV (*.csv)|*.csv|  . 4104 | Prompts hinzufügen: ",
        ansi = "\n\nDie Datei ist nicht in UTF-8 geschrieben und wurde als Windows-1252 gelesen.";
    const std::string csv =
        "2 Prompts aus \"add.csv\" hinzufügen? 1 davon gibt es schon und wird übersprungen.";
    // clang-format off
    const std::pair<unsigned, std::string> steps[] = { // the file and answer (see act), what changes
        {0, ask.substr(0, ask.find(" | "))},
        {5, ask + csv + ansi + " 36"},
        {1, "list=[A,I0,Bär] xml=[A:a I0:a Bär*=t] search=[A,I0,Bär] 3 von 3 Prompts " + ask + csv + ansi + " 36"},
        {2, "list=[A,I0,Bär,J] xml=[A:a I0:a Bär*=t J*] search=[A,I0,Bär,J] 4 von 4 Prompts " + ask +
                   "2 Prompts aus \"add.json\" hinzufügen? 1 davon gibt es schon und wird übersprungen. 36"},
        {2, ask + "Alle 2 Prompts aus \"add.json\" gibt es schon. 64"},
        {3, ask + "Die Datei \"add.xml\" kann nicht gelesen werden (Zeile 2):\nan item begins here and never ends\n\n"
                   "Es wurde nichts hinzugefügt. 16"},
    };
    // clang-format on
    for (int i = 0; const auto& [n, expected] : steps) {
        act("Add", n);
        EXPECT_EQ(state(), expected) << "step " << i++;
    }
    std::string favourites;
    for (HWND button : favoriteButtons())
        favourites += text(button) + " ";
    EXPECT_EQ(favourites, "Bär J ");
}
