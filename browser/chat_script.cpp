#include "browser/chat_script.h"

namespace {

// The fixed pieces of the script. The head ends by opening the single-quoted literal that
// takes the escaped message; the tail closes it and goes on with the Gemini test; pages whose
// address contains geminiHostName get the message as a paragraph's text. The literals are
// split only for reading; the pieces join without anything between them.
constexpr std::u16string_view scriptHead =
    u"(() => { function findEl(sel) {   let e = document.querySelector(sel);   if (e) return e;   "
    u"const walks = document.createTreeWalker(document.body, NodeFilter.SHOW_ELEMENT);   "
    u"while (walks.nextNode()) {     let node = walks.currentNode;     if (node.shadowRoot) {       "
    u"let found = node.shadowRoot.querySelector(sel);       if (found) return found;     }   }   "
    u"return null; } "
    u"const selectors = ['div[contenteditable=\"true\"]', '#prompt-textarea', 'textarea', "
    u"'#userInput', '.ql-editor p']; "
    u"let ta = null; for (let s of selectors) { ta = findEl(s); if (ta) break; } if (ta) {   "
    u"ta.focus();   const text = '";

constexpr std::u16string_view scriptTailFirst = u"';   if (window.location.href.includes('";

constexpr std::u16string_view geminiHostName = u"gemini.google.com";

constexpr std::u16string_view scriptTailSecond =
    u"')) {     let p = ta.querySelector('p'); if (!p) { ta.innerHTML = '<p></p>'; "
    u"p = ta.querySelector('p'); }     p.innerText = text;   } else {     "
    u"document.execCommand('selectAll', false, null);     "
    u"document.execCommand('delete', false, null);     "
    u"document.execCommand('insertText', false, text);   }   "
    u"ta.dispatchEvent(new Event('input', { bubbles: true }));   "
    u"ta.dispatchEvent(new Event('change', { bubbles: true }));   "
    u"setTimeout(() => {     "
    u"const btnSels = ['button[aria-label*=\"Send\"]', 'button[aria-label*=\"Senden\"]', "
    u"'[data-testid=\"send-button\"]', '#send-button', 'button.send-button', "
    u"'.send-button-container button'];     "
    u"let btn = null; for (let s of btnSels) { btn = findEl(s); if (btn) break; }     "
    u"if (btn) { btn.disabled = false; btn.click(); }   }, 800); } })();";

// The whole escaping in one pass, appended to `out`. It gives what the six replacements
// would give one after the other (backslashes, apostrophes, CR LF, LF, lone CR, NUL): what
// each inserts holds none of the units that a later one looks for. A NUL must not reach the
// script itself: ExecuteScript takes a NUL-terminated string and would end the script inside
// its literal.
void appendEscaped(std::u16string& out, std::u16string_view text) {
    const char16_t* p = text.data();
    const char16_t* const end = p + text.size();
    while (p < end) {
        // The run up to the next unit that needs escaping.
        const char16_t* run = p;
        while (p < end && *p != u'\\' && *p != u'\'' && *p != u'\r' && *p != u'\n' && *p != u'\0')
            ++p;
        out.append(run, p);
        if (p == end) return;
        switch (*p++) {
        case u'\\':
            out += u"\\\\";
            break;
        case u'\'':
            out += u"\\'";
            break;
        case u'\r':
            // A carriage return without its line feed would end the literal and break the script.
            if (p < end && *p == u'\n') {
                ++p;
                out += u"\\n";
            } else {
                out += u"\\r";
            }
            break;
        case u'\n':
            out += u"\\n";
            break;
        default:
            out += u"\\u0000";
            break;
        }
    }
}

// Room for the text and a few escapes; more makes the string grow once.
std::size_t escapedRoom(std::u16string_view text) {
    return text.size() + text.size() / 16 + 16;
}

} // namespace

namespace {

std::u16string joinChatMessage(std::u16string_view promptText, std::u16string_view inputText) {
    std::u16string message(promptText);
    if (!inputText.empty()) {
        message += u"\n\n";
        message += inputText;
    }
    return message;
}

} // namespace

namespace {

std::u16string buildChatScript(std::u16string_view message) {
    std::u16string script;
    script.reserve(scriptHead.size() + escapedRoom(message) + scriptTailFirst.size() + geminiHostName.size() +
                   scriptTailSecond.size());
    script += scriptHead;
    appendEscaped(script, message);
    script += scriptTailFirst;
    script += geminiHostName;
    script += scriptTailSecond;
    return script;
}

} // namespace

std::u16string chatScriptFor(std::u16string_view promptText, std::u16string_view inputText) {
    return buildChatScript(joinChatMessage(promptText, inputText));
}

std::u16string_view aiStartAddress(AiTarget target) {
    switch (target) {
    case 1:
        return u"https://gemini.google.com/app";
    case 2:
        return u"https://copilot.microsoft.com/";
    default:
        return u"https://chatgpt.com/";
    }
}

std::optional<std::u16string_view> chatAddressForSelection(int index) {
    if (index < 0 || index > 2) return std::nullopt;
    return aiStartAddress(index);
}
