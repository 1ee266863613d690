#pragma once
// Geometry of the main window in client pixels, worked out without any window so it can
// be checked anywhere. The window code only reads rectangles and moves windows.

#include "base/geometry.h"

// The AI header ends 10 pixels before the right edge, but never gets narrower than 10.
Box aiHeaderBox(int clientRight);
// The AI strip stops 16 pixels above the bottom, but never gets lower than 10.
Box aiStripBox(int clientBottom);
// The prompt strip runs from under the prompt header to 3 pixels below the send button.
Box promptStripBox(int sendButtonBottom);

// Where layoutPromptPane puts the edit box and the two glyph buttons.
struct PromptPaneLayout {
    bool moveEdit = false; // the edit box moves only down, never back up
    Box edit;              // the edit box after the layout (moved or not)
    Box clearButton;
    Box pasteButton;
};

// comboBottom: bottom of promptCombo's selection field; edit: inputEdit's rectangle now.
PromptPaneLayout layoutPromptPaneFor(int comboBottom, const Edges& edit);
