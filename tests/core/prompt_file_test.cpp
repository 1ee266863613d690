#include "library/prompt_file.h"

#include <gtest/gtest.h>

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<prompts>\n";

Prompt prompt(std::u16string name, std::u16string text = u"", bool fav = false,
              std::u16string lasttext = u"") {
    return Prompt{std::move(name), std::move(text), fav, std::move(lasttext)};
}

PromptLibrary parse(std::string_view bytes) {
    PromptLibrary library{prompt(u"untouched")};
    EXPECT_TRUE(parsePromptLibrary(bytes, library)) << bytes;
    return library;
}

bool parses(std::string_view bytes) {
    PromptLibrary library{prompt(u"untouched")};
    const bool ok = parsePromptLibrary(bytes, library);
    if (!ok) {
        EXPECT_EQ(library, PromptLibrary{prompt(u"untouched")}) << "a failed read changed the library";
    }
    return ok;
}

std::string doc(std::string_view items) {
    return kBom + kHead + std::string(items) + "</prompts>";
}

} // namespace

TEST(PromptFileReader, DecidesWhatIsALibrary) {
    for (const std::string& bytes : {std::string(), kBom, std::string("<prompt></prompt>"),
                                     std::string("<prompts"), std::string("<item><fav>1</fav></item>")})
        EXPECT_FALSE(parses(bytes)) << bytes;
    // "<prompts>" without items empties the library; items without "<prompts>" are read.
    EXPECT_TRUE(parse("<prompts>").empty());
    EXPECT_TRUE(parse(doc("")).empty());
    EXPECT_EQ(parse("<item><name>a</name></item>"), (PromptLibrary{prompt(u"a")}));
    // Items with nothing in their three texts are dropped, favourites included.
    EXPECT_TRUE(
        parse(doc("<item><name></name><text></text><fav>1</fav><lasttext></lasttext></item>")).empty());
}

TEST(PromptFileReader, AppliesTheFavRule) {
    for (const char* yes : {"1", "01", "10", " 1 ", "TRUE", "true", "Yes", "yES", "x1x"})
        EXPECT_TRUE(parse(std::string("<item><name>a</name><fav>") + yes + "</fav></item>")[0].fav) << yes;
    for (const char* no :
         {"0", "false", "no", "", " true", "true ", "ja", "&#49;", "\xEF\xBC\x91", "tru\xC3\xA9"})
        EXPECT_FALSE(parse(std::string("<item><name>a</name><fav>") + no + "</fav></item>")[0].fav) << no;
}

