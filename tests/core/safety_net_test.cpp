// What is kept of the library: prompts.xml left alone when its bytes would not change.
#include "support.h"

#include <gtest/gtest.h>

TEST(PromptFile, AnUpdateWithTheSameBytesWritesNothing) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompts.xml");
    const PromptLibrary library{{u"a", std::u16string(3000, u'\u00E4'), false, u"x"}, {u"b", u"", true, u""}};
    const std::string same = expectedDocument(library);
    // With the replace failing, only an update that writes nothing succeeds.
    for (const std::size_t piece : {0, 7})
        for (const auto& [bytes, unchanged] : {std::pair{same, true},
                                               {same + " ", false},
                                               {same.substr(0, same.size() - 1), false},
                                               {same.substr(0, 2000) + "!" + same.substr(2001), false}}) {
            setFilePieceSizeForTesting(piece);
            writeBytes(path, bytes);
            EXPECT_EQ(withFailingReplace([&] { return updatePromptFile(library, path); }), unchanged);
            EXPECT_TRUE(updatePromptFile(library, path) && readBytes(path) == same);
        }
    setFilePieceSizeForTesting(0);
    EXPECT_TRUE(updatePromptFile(library, dir.file(u"neu.xml")) && readBytes(dir.file(u"neu.xml")) == same);
}
