#pragma once
// The settings window: font size, largest number of favourite buttons and the six area colours.

// kSettingsId: opens the window, or brings the open one to the front.
void openSettingsWindow();
