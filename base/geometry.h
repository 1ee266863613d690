#pragma once
// Rectangles in client pixels, as the program's arithmetic and the window calls take them.

// A window's place as MoveWindow takes it.
struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Box&) const = default;
};

// A rectangle by its edges, as GetClientRect and GetWindowRect give it.
struct Edges {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const Edges&) const = default;
};
