#pragma once
// Heap accounting for the benchmark program: the global operator new and delete are
// replaced, and while counting is on they keep the bytes in use and their peak.

#include <cstddef>

// Starts counting from zero: bytes allocated before this call are not seen when freed.
void startHeapCounting();
struct HeapFigures {
    std::size_t peak = 0;  // most bytes in use at one time since startHeapCounting
    std::size_t inUse = 0; // bytes still in use when counting stopped
};
// Stops counting.
HeapFigures stopHeapCounting();

// For libraries with their own allocation hooks (pugixml): the same accounting.
void* countedMalloc(std::size_t size);
void countedFree(void* block);
