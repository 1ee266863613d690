#include "bench/corpus.h"

#include <array>
#include <string_view>

namespace {

// splitmix64: tiny, and the same sequence on every compiler and C library (the standard
// distributions are not).
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
    std::size_t between(std::size_t low, std::size_t high) { return low + below(high - low + 1); }
    bool oneIn(std::size_t n) { return below(n) == 0; }
    template <typename T, std::size_t N> const T& pick(const std::array<T, N>& items) {
        return items[below(N)];
    }

  private:
    std::uint64_t state_;
};

constexpr std::array<std::u16string_view, 96> kGerman = {u"Bitte",
                                                         u"fasse",
                                                         u"den",
                                                         u"folgenden",
                                                         u"Text",
                                                         u"zusammen",
                                                         u"übersetze",
                                                         u"ins",
                                                         u"Englische",
                                                         u"prüfe",
                                                         u"Rechtschreibung",
                                                         u"Grammatik",
                                                         u"schreibe",
                                                         u"eine",
                                                         u"höfliche",
                                                         u"Antwort",
                                                         u"für",
                                                         u"über",
                                                         u"Größe",
                                                         u"Straße",
                                                         u"Grüße",
                                                         u"schön",
                                                         u"Änderung",
                                                         u"Öffnungszeiten",
                                                         u"Übersicht",
                                                         u"Bücher",
                                                         u"Prüfung",
                                                         u"müssen",
                                                         u"können",
                                                         u"dürfen",
                                                         u"während",
                                                         u"natürlich",
                                                         u"Maßnahmen",
                                                         u"Schlüssel",
                                                         u"Geschäftsführer",
                                                         u"Kündigung",
                                                         u"Gebühren",
                                                         u"zurück",
                                                         u"gemäß",
                                                         u"außerdem",
                                                         u"Lösung",
                                                         u"Vorschläge",
                                                         u"Entwürfe",
                                                         u"Qualität",
                                                         u"Käse",
                                                         u"Äpfel",
                                                         u"Mädchen",
                                                         u"Frühstück",
                                                         u"heißt",
                                                         u"weiß",
                                                         u"Fuß",
                                                         u"Übersetzung",
                                                         u"Zusammenfassung",
                                                         u"Kunde",
                                                         u"Rechnung",
                                                         u"Vertrag",
                                                         u"Angebot",
                                                         u"Termin",
                                                         u"nächste",
                                                         u"Woche",
                                                         u"Stil",
                                                         u"sachlich",
                                                         u"freundlich",
                                                         u"kurz",
                                                         u"ausführlich",
                                                         u"Stichpunkte",
                                                         u"Absatz",
                                                         u"Überschrift",
                                                         u"die",
                                                         u"der",
                                                         u"das",
                                                         u"und",
                                                         u"oder",
                                                         u"mit",
                                                         u"ohne",
                                                         u"nicht",
                                                         u"bitte",
                                                         u"im",
                                                         u"vom",
                                                         u"zum",
                                                         u"ist",
                                                         u"wird",
                                                         u"sind",
                                                         u"auf",
                                                         u"einen",
                                                         u"Kollegen",
                                                         u"Besprechung",
                                                         u"Protokoll",
                                                         u"Entscheidung",
                                                         u"Fehler",
                                                         u"Erklärung",
                                                         u"Beispiel",
                                                         u"Tabelle",
                                                         u"Überprüfung",
                                                         u"wäre",
                                                         u"möchte"};

constexpr std::array<std::u16string_view, 80> kEnglish = {
    u"Please",      u"summarize", u"the",      u"following", u"text",     u"translate", u"into",
    u"German",      u"check",     u"spelling", u"grammar",   u"write",    u"a",         u"polite",
    u"reply",       u"for",       u"about",    u"meeting",   u"customer", u"invoice",   u"contract",
    u"offer",       u"next",      u"week",     u"style",     u"concise",  u"friendly",  u"bullet",
    u"points",      u"paragraph", u"headline", u"and",       u"or",       u"with",      u"without",
    u"not",         u"please",    u"in",       u"of",        u"to",       u"explain",   u"step",
    u"by",          u"review",    u"code",     u"function",  u"error",    u"message",   u"improve",
    u"readability", u"keep",      u"tone",     u"formal",    u"draft",    u"email",     u"table",
    u"list",        u"examples",  u"résumé",   u"naïve",     u"café",     u"façade",    u"is",
    u"are",         u"should",    u"would",    u"this",      u"that",     u"your",      u"our",
    u"team",        u"decision",  u"report",   u"summary",   u"answer",   u"question",  u"short",
    u"detailed",    u"clear",     u"simple"};

// The five escaped characters, a backslash for the chat script, and other typography.
constexpr std::array<std::u16string_view, 24> kSpecials = {u"A & B",
                                                           u"R&D",
                                                           u"<b>wichtig</b>",
                                                           u"x < y",
                                                           u"a > b",
                                                           u"\"Zitat\"",
                                                           u"\"quoted\"",
                                                           u"it's",
                                                           u"don't",
                                                           u"Tom's",
                                                           u"l'été",
                                                           u"<div class=\"note\">",
                                                           u"</div>",
                                                           u"&nbsp;",
                                                           u"5 > 3 && 2 < 4",
                                                           u"C:\\Users\\Ärger",
                                                           u"→",
                                                           u"€ 12,50",
                                                           u"–",
                                                           u"„Anführungszeichen“",
                                                           u"…",
                                                           u"✓",
                                                           u"&lt;tag&gt;",
                                                           u"<prompt>"};

constexpr std::array<std::u16string_view, 12> kEmoji = {
    u"🙂", u"😀", u"🚀", u"👍", u"🤖", u"📌", u"✅", u"❤️", u"🇩🇪", u"👩‍💻", u"🎉", u"💡"};

constexpr std::array<std::u16string_view, 4> kSentenceEnds = {u". ", u"? ", u"! ", u": "};

// Geometric length classes from 20 to 2,000 units: many short values, a long tail.
constexpr std::array<std::size_t, 9> kLengthSteps = {20, 36, 63, 112, 200, 356, 632, 1125, 2001};

std::size_t valueLength(Random& random) {
    const std::size_t step = random.below(kLengthSteps.size() - 1);
    return random.between(kLengthSteps[step], kLengthSteps[step + 1] - 1);
}

void appendWord(Random& random, bool german, std::u16string& out) {
    if (random.oneIn(25)) {
        out += random.pick(kSpecials);
    } else if (random.oneIn(40)) {
        out += random.pick(kEmoji);
    } else {
        // A tenth of the words come from the other language, as in real mixed prompts.
        out += (german != random.oneIn(10)) ? random.pick(kGerman) : random.pick(kEnglish);
    }
}

void appendSentence(Random& random, bool german, std::u16string& out) {
    const std::size_t words = random.between(4, 14);
    for (std::size_t i = 0; i < words; ++i) {
        if (i > 0) out += u' ';
        appendWord(random, german, out);
    }
    out += random.pick(kSentenceEnds);
}

// Cuts to exactly `units`, never inside a surrogate pair or a CR LF pair.
void cutTo(std::size_t units, std::u16string& text) {
    text.resize(units);
    char16_t& last = text.back();
    if ((last >= 0xD800 && last <= 0xDBFF) || last == u'\r') last = u'.';
}

std::u16string makeProse(Random& random, std::size_t units) {
    const bool german = random.below(10) < 6;
    std::u16string text;
    text.reserve(units + 160);
    while (text.size() < units) {
        if (random.oneIn(12)) text += u"- ";
        appendSentence(random, german, text);
        if (random.oneIn(10)) {
            text += u"\r\n\r\n";
        } else if (random.oneIn(4)) {
            text += u"\r\n";
        }
    }
    cutTo(units, text);
    return text;
}

// A short title ending in the prompt's number, 20 to 80 units.
std::u16string makeName(Random& random, std::size_t index) {
    const bool german = random.below(10) < 6;
    std::u16string suffix = u" #";
    for (const char c : std::to_string(index))
        suffix += static_cast<char16_t>(c);
    const std::size_t length = random.between(20, 80);
    std::u16string name;
    while (name.size() + suffix.size() < length) {
        if (!name.empty()) name += u' ';
        appendWord(random, german, name);
    }
    cutTo(length - suffix.size(), name);
    return name + suffix;
}

} // namespace

PromptLibrary makeBenchLibrary(std::size_t count) {
    Random random(0x5665726261726978ull);
    PromptLibrary library(count);
    for (std::size_t i = 0; i < count; ++i) {
        Prompt& prompt = library[i];
        prompt.name = makeName(random, i + 1);
        prompt.text = makeProse(random, valueLength(random));
        prompt.fav = random.oneIn(10);
        prompt.lasttext = makeProse(random, valueLength(random));
    }
    return library;
}

std::u16string makeBenchText(std::size_t units, std::uint64_t seed) {
    Random random(seed);
    return makeProse(random, units);
}
