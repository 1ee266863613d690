#include "app/layout_model.h"

#include <algorithm>

Box aiHeaderBox(int clientRight) {
    return {580, 10, std::max(clientRight - 590, 10), 30};
}

Box aiStripBox(int clientBottom) {
    return {580, 34, 35, std::max(clientBottom - 50, 10)};
}

Box promptStripBox(int sendButtonBottom) {
    return {10, 32, 35, sendButtonBottom - 29};
}

PromptPaneLayout layoutPromptPaneFor(int comboBottom, const Edges& edit) {
    PromptPaneLayout layout;
    const int editTop = comboBottom + 32;
    layout.edit = {edit.left, edit.top, edit.right - edit.left, edit.bottom - edit.top};
    if (edit.top < editTop) {
        layout.moveEdit = true;
        layout.edit = {edit.left, editTop, edit.right - edit.left, std::max(edit.bottom - editTop, 50)};
    }
    const int right = layout.edit.x + layout.edit.width;
    layout.clearButton = {right - 32, comboBottom + 14, 14, 14};
    layout.pasteButton = {right - 14, comboBottom + 14, 14, 14};
    return layout;
}
