// What a prompt is sent with and what is kept of it: fill-in fields, the deleted prompts' file,
// and prompts.xml left alone when its bytes would not change.
#include "library/deleted_prompts.h"
#include "library/prompt_fields.h"
#include "support.h"

#include <gtest/gtest.h>

TEST(PromptFields, AreFoundOnceInOrderAndFilledInOnePass) {
    const FieldValues values{{u"Name", u"A"}, {u"Ton", u"{{Name}}"}, {u"Empf\u00E4nger", u"Frau M"}};
    const std::u16string longest(kMaxFieldName, u'x');
    // clang-format off
    const std::tuple<std::u16string, std::vector<std::u16string>, std::u16string> cases[] = {
        {u"Hallo {{Name}}, {{ Ton\t}} {{Name}}!", {u"Name", u"Ton"}, u"Hallo A, {{Name}} A!"},
        {u"{{{Name}}} {{Empf\u00E4nger}}{{X}}", {u"Name", u"Empf\u00E4nger", u"X"}, u"{A} Frau M{{X}}"},
        {u"{{Ton}} {{ton}}", {u"Ton", u"ton"}, u"{{Name}} {{ton}}"},
        {u"{{}} {{  }} {{a\r\nb}} {{a}b}} {{a{b}} {Name} {{Name} {{Name", {}, u"{{}} {{  }} {{a\r\nb}} {{a}b}} {{a{b}} {Name} {{Name} {{Name"},
        {u"{{" + longest + u"}} {{" + longest + u"x}}", {longest}, u"{{" + longest + u"}} {{" + longest + u"x}}"},
        {u"", {}, u""},
    };
    // clang-format on
    for (const auto& [text, names, filled] : cases) {
        EXPECT_EQ(promptFieldNames(text), names) << toUtf8(text);
        EXPECT_EQ(fillPromptFields(text, values), filled) << toUtf8(text);
    }
}

TEST(DeletedPrompts, AreAppendedAndOnlyTheNewestKept) {
    TempDir dir;
    EXPECT_EQ(deletedPromptsPath(u"C:\\Daten\\prompts.xml"), u"C:\\Daten\\prompts-deleted.xml");
    EXPECT_EQ(deletedPromptsPath(u"prompts.xml"), u"prompts-deleted.xml");
    const std::u16string path = deletedPromptsPath(dir.file(u"prompts.xml"));
    PromptLibrary kept;
    for (const char16_t* name : {u"a", u"b", u"c", u"d"}) {
        ASSERT_TRUE(keepDeletedPrompt(path, {name, u"t", true, u"l"}, 3));
        kept.push_back({name, u"t", true, u"l"});
    }
    PromptLibrary read;
    EXPECT_TRUE(loadPromptFile(read, path) && read == PromptLibrary(kept.begin() + 1, kept.end()));
    writeBytes(path, "");
    EXPECT_TRUE(keepDeletedPrompt(path, kept[0]) && readBytes(path) == expectedDocument({kept[0]}));
    // A file that is no library is no one's to overwrite; a missing folder can't take one.
    writeBytes(path, "Notizen");
    EXPECT_FALSE(keepDeletedPrompt(path, kept[0]));
    EXPECT_EQ(readBytes(path), "Notizen");
    EXPECT_FALSE(keepDeletedPrompt(dir.file(u"fehlt/prompts-deleted.xml"), kept[0]));
}

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
