// Details of the main window and its secondary windows that no scenario looks at.
#include "tests/win/driver.h"

TEST_F(Win, Details) {
    write(PromptLibrary(30, prompt("P", true)));
    ASSERT_TRUE(start(SW_SHOWNORMAL));
    const AppState& s = app();
    COMBOBOXINFO combo{};
    combo.cbSize = sizeof combo;
    SendMessageW(s.promptCombo, CB_SHOWDROPDOWN, TRUE, 0);
    GetComboBoxInfo(s.promptCombo, &combo);
    EXPECT_TRUE(GetWindowLongW(combo.hwndList, GWL_STYLE) & WS_VSCROLL); // 30 names, about 10 in view
    SendMessageW(s.promptCombo, CB_SHOWDROPDOWN, FALSE, 0);

    command(7002);
    SetWindowTextW(GetDlgItem(s.settingsWindow, 7301), L"#\u0141\u0141\u0141\u0141\u0141\u0141"), pump();
    EXPECT_EQ(s.live.promptColors.textColor, RGB(0, 0, 0)); // not #AAAAAA from the low bytes

    RedrawWindow(s.mainWindow, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); // nothing left to paint
    HWND sizes = GetDlgItem(s.settingsWindow, 7100);
    SendMessageW(sizes, CB_SETCURSEL, 9, 0);
    SendMessageW(s.settingsWindow, WM_COMMAND, MAKEWPARAM(7100, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(sizes));
    for (HWND painted : {s.promptHeader, s.promptStrip, s.favHeader, s.favStrip, s.aiHeader, s.aiStrip})
        EXPECT_TRUE(GetUpdateRect(painted, nullptr, FALSE)); // drawn anew in the new font

    command(7001);
    const std::string about = text(GetDlgItem(s.aboutWindow, 1));
    EXPECT_EQ(about.substr(about.rfind("Copilot.")), "Copilot.\r\n\r\n\r\n");
}
