#pragma once
// Why a file of prompts could not be read, and where.

#include <cstddef>
#include <string>

struct ReadError {
    enum class Place { File, Line, Element, AfterElement };
    Place place = Place::File;
    std::size_t number = 0; // a line of the file (from 1) or an element of a JSON array (from 0)
    std::string reason;     // English, and never the file's own bytes
};

// As vbxtool says it: "line 3: ...", "element 1: ...", "after element 0: ...".
inline std::string describe(const ReadError& error) {
    static const char* const places[] = {"", "line ", "element ", "after element "};
    const auto place = static_cast<std::size_t>(error.place);
    return place == 0 ? error.reason : places[place] + std::to_string(error.number) + ": " + error.reason;
}
