#pragma once
// Prompts from anywhere: the prompts of a library, JSON or CSV file are added to the library.
// Here on the top floor, beside the main window, as it takes the readers that vbxtool shares.

// kAddPromptsId ("Prompts hinzufügen…"): appends the prompts of a file the user picks once the
// user has agreed, passing over those whose name and text the library holds already. A file
// that can't be read whole changes nothing and is said, with the line or element at fault.
void addPromptsFromFile();
