#include "library/prompt_library.h"

#include <gtest/gtest.h>

TEST(PromptLibrary, FavouritesAreTheFlaggedIndicesInLibraryOrder) {
    PromptLibrary library(9);
    EXPECT_TRUE(collectFavoriteIndices(library).empty());
    for (int i : {4, 1, 7})
        library[static_cast<std::size_t>(i)].fav = true;
    EXPECT_EQ(collectFavoriteIndices(library), (std::vector<int32_t>{1, 4, 7}));
    // Removing a prompt moves the later favourites down by one.
    library.erase(library.begin() + 2);
    EXPECT_EQ(collectFavoriteIndices(library), (std::vector<int32_t>{1, 3, 6}));
}
