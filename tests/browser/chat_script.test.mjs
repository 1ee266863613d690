// The chat script, as `vbxtool script` prints it, in Debian's Chromium on mock chat pages on 127.0.0.1, on
// Playwright's fake clock. A page notes the texts handed over by insertText or as a paragraph's innerText (the
// way for Gemini) and the buttons clicked; its field starts with "ALT", which the message must replace.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import { chromium } from 'playwright-core';

const vbxtool = process.env.VBXTOOL || new URL('../../build/native/tools/vbxtool', import.meta.url).pathname;
const notes = `<!doctype html><meta charset="utf-8"><script>
window.got = []; window.clicks = [];
const exec = document.execCommand.bind(document);
document.execCommand = (cmd, ui, text) => (cmd === 'insertText' && got.push([cmd, text]), exec(cmd, ui, text));
const { get, set } = Object.getOwnPropertyDescriptor(HTMLElement.prototype, 'innerText');
Object.defineProperty(HTMLParagraphElement.prototype, 'innerText',
  { get, set(text) { got.push(['p', text]); set.call(this, text); } });
addEventListener('click', (e) => clicks.push(e.composedPath()[0].textContent), true);
window.shown = (root = document.querySelector('chat-box')?.shadowRoot ?? document) =>
  root.querySelector('textarea')?.value ?? root.querySelector('[contenteditable]').innerText;
</script>`;
const pages = {
  '/chatgpt': '<textarea id="prompt-textarea">ALT</textarea><button data-testid="send-button" disabled>Send</button>',
  '/editable': '<button>+</button><div contenteditable="true">ALT</div><button aria-label="Senden">Send</button>',
  '/shadow': `<chat-box></chat-box><script>document.querySelector('chat-box').attachShadow({ mode: 'open' }).innerHTML =
    '<textarea>ALT</textarea><button id="send-button">Send</button>';</script>`,
  '/gemini.google.com/app': `<div class="ql-editor" contenteditable="true"><p>ALT</p></div>
    <div class="send-button-container"><button>Send</button></div>`,
  '/copilot': '<textarea id="userInput">ALT</textarea><button class="send-button">Send</button>',
};
const messages = [ // [prompt text, input text]
  [`it's "quoted", C:\\new\\name and \\n`, `l'input\\`],
  ['Zeile 1\r\nZeile 2\n', 'x\r\n\r\ny\rz\r'],
  ['line\u2028separator\u2029paragraph', '</script><script>alert(1)</script>'],
  ['Grüße 😀 👍🏽 \t€', '𝄞 🇩🇪'],
  ['NUL\u0000inside', '\u0000'],
];

test('every chat page gets each message in its field and Send clicked 800 ms later', async (t) => {
  const server = http.createServer((req, res) => res.end(notes + pages[req.url])).listen(0, '127.0.0.1');
  await new Promise((listening) => server.on('listening', listening));
  const browser = await chromium.launch({ executablePath: process.env.VBX_CHROMIUM || '/usr/bin/chromium' });
  const dir = fs.mkdtempSync(`${os.tmpdir()}/vbx-script-`);
  const [promptFile, inputFile] = [`${dir}/prompt`, `${dir}/input`];
  t.after(() => Promise.all([browser.close(), server.close(), fs.rmSync(dir, { recursive: true })]));
  for (const url of Object.keys(pages)) {
    const page = await browser.newPage();
    await page.clock.install({ time: 0 });
    await page.clock.pauseAt(1000); // time passes only by runFor
    await page.goto(`http://127.0.0.1:${server.address().port}${url}`);
    const cdp = await page.context().newCDPSession(page);
    for (const [prompt, input] of messages) {
      const what = `${url}: ${JSON.stringify(prompt)}`;
      for (const [file, text] of [[promptFile, prompt], [inputFile, input]]) fs.writeFileSync(file, text);
      const script = execFileSync(vbxtool, ['script', promptFile, inputFile], { encoding: 'utf8' });
      // As the browser view's ExecuteScript runs it: a classic script in the page, up to its first NUL.
      const { exceptionDetails } = await cdp.send('Runtime.evaluate', { expression: script.split('\0')[0] });
      assert.equal(exceptionDetails, undefined, `${what}: ${JSON.stringify(exceptionDetails)}`);
      await page.clock.runFor(799);
      const [got, clicks, shown] = await page.evaluate(() => [got.splice(0), clicks.splice(0), shown()]);
      const message = [url.includes('gemini') ? 'p' : 'insertText', `${prompt}\n\n${input}`.replace(/\r\n/g, '\n')];
      assert.deepEqual({ got, clicks, old: shown.includes('ALT') }, { got: [message], clicks: [], old: false }, what);
      await page.clock.runFor(1);
      assert.deepEqual(await page.evaluate(() => clicks.splice(0)), ['Send'], `${what}: Send clicked at 800 ms`);
    }
  }
});
