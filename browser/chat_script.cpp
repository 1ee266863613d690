#include "browser/chat_script.h"

// The literals are split only for reading; the pieces join without anything between them.
const std::u16string_view scriptHead =
    u"(() => { function findEl(sel) {   let e = document.querySelector(sel);   if (e) return e;   "
    u"const walks = document.createTreeWalker(document.body, NodeFilter.SHOW_ELEMENT);   "
    u"while (walks.nextNode()) {     let node = walks.currentNode;     if (node.shadowRoot) {       "
    u"let found = node.shadowRoot.querySelector(sel);       if (found) return found;     }   }   "
    u"return null; } "
    u"const selectors = ['div[contenteditable=\"true\"]', '#prompt-textarea', 'textarea', "
    u"'#userInput', '.ql-editor p']; "
    u"let ta = null; for (let s of selectors) { ta = findEl(s); if (ta) break; } if (ta) {   "
    u"ta.focus();   const text = '";

const std::u16string_view scriptTailFirst = u"';   if (window.location.href.includes('";

const std::u16string_view geminiHostName = u"gemini.google.com";

const std::u16string_view scriptTailSecond =
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

namespace {

// One pass: replaces every occurrence and resumes behind the inserted text, so a pass
// never rescans its own output.
std::u16string replaceAll(std::u16string_view text, std::u16string_view pattern, std::u16string_view by) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = text.find(pattern); at != std::u16string_view::npos;
         at = text.find(pattern, from)) {
        out.append(text, from, at - from);
        out.append(by);
        from = at + pattern.size();
    }
    out.append(text, from);
    return out;
}

} // namespace

std::u16string escapeForScriptLiteral(std::u16string_view text) {
    std::u16string out = replaceAll(text, u"\\", u"\\\\");
    out = replaceAll(out, u"'", u"\\'");
    out = replaceAll(out, u"\r\n", u"\\n");
    out = replaceAll(out, u"\n", u"\\n");
    // A carriage return without its line feed would end the literal and break the script.
    return replaceAll(out, u"\r", u"\\r");
}

std::u16string joinChatMessage(std::u16string_view promptText, std::u16string_view inputText) {
    std::u16string message(promptText);
    if (!inputText.empty()) {
        message += u"\n\n";
        message += inputText;
    }
    return message;
}

std::u16string buildChatScript(std::u16string_view message) {
    const std::u16string escaped = escapeForScriptLiteral(message);
    std::u16string script;
    script.reserve(scriptHead.size() + escaped.size() + scriptTailFirst.size() + geminiHostName.size() +
                   scriptTailSecond.size());
    script += scriptHead;
    script += escaped;
    script += scriptTailFirst;
    script += geminiHostName;
    script += scriptTailSecond;
    return script;
}

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
