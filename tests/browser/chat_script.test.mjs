// The chat script, as `vbxtool script` prints it, run in Debian's Chromium against local
// mock chat pages. The pages record what the script does to them: the editing commands
// with the exact text, the input/change events it fires and every click on Send.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
const vbxtool = process.env.VBXTOOL || path.join(here, '..', '..', 'build', 'native', 'tools', 'vbxtool');
const chromiumPath = process.env.VBX_CHROMIUM || '/usr/bin/chromium';

// Instrumentation every mock page carries; it runs before the page's own markup.
const recorder = `<script>
window.__commands = [];
window.__events = [];
window.__clicks = [];
const realExecCommand = document.execCommand.bind(document);
document.execCommand = (command, ui, value) => {
  window.__commands.push([command, value]);
  return realExecCommand(command, ui, value);
};
// The script's own events are plain Events; the editing commands fire InputEvents.
for (const type of ['input', 'change']) {
  document.addEventListener(type, (e) => {
    if (e.constructor === Event) window.__events.push([type, e.bubbles, performance.now(), e.composedPath()[0].localName]);
  }, true);
}
window.__recordClick = (button) => window.__clicks.push([performance.now(), button.disabled]);
</script>`;

const page = (body) => `<!doctype html><html><head><meta charset="utf-8">${recorder}</head><body>${body}</body></html>`;

const pages = {
  '/textarea': page(`<h1>Chat</h1><textarea id="box">old text</textarea>
    <button aria-label="Send message" onclick="__recordClick(this)">Send</button>`),
  '/contenteditable': page(`<div id="box" contenteditable="true" style="white-space: pre-wrap">old <b>text</b></div>
    <button data-testid="send-button" disabled onclick="__recordClick(this)">Send</button>
    <script>
      window.__enabledByInput = false;
      document.getElementById('box').addEventListener('input', () => {
        const b = document.querySelector('[data-testid="send-button"]');
        if (b.disabled) { b.disabled = false; window.__enabledByInput = true; }
      });
    </script>`),
  '/shadow': page(`<chat-box></chat-box>
    <script>
      const host = document.querySelector('chat-box');
      const root = host.attachShadow({ mode: 'open' });
      root.innerHTML = '<textarea>old</textarea><button id="send-button">Send</button>';
      root.querySelector('button').addEventListener('click', (e) => __recordClick(e.target));
      // The script's events bubble but are not composed: they stay inside the shadow tree.
      for (const type of ['input', 'change']) {
        root.addEventListener(type, (e) => {
          if (e.constructor === Event) window.__events.push([type, e.bubbles, performance.now(), e.target.localName]);
        });
      }
      window.__field = () => root.querySelector('textarea');
    </script>`),
  '/gemini.google.com/app': page(`<div class="ql-editor" contenteditable="true" style="white-space: pre-wrap"><p>first</p><p>second</p></div>
    <button aria-label="Send message" onclick="__recordClick(this)">Send</button>`),
  '/gemini.google.com/empty': page(`<div class="ql-editor" contenteditable="true"></div>
    <button aria-label="Send message" onclick="__recordClick(this)">Send</button>`),
  '/noinput': page(`<p id="text">Nothing to type into here.</p>
    <button aria-label="Send message" onclick="__recordClick(this)">Send</button>`),
};

let server;
let baseUrl;
let context;
let profileDir;
let workDir;

before(async () => {
  assert.ok(fs.existsSync(vbxtool), `vbxtool not found at ${vbxtool}: build the native preset or set VBXTOOL`);
  server = http.createServer((req, res) => {
    const body = pages[new URL(req.url, 'http://127.0.0.1').pathname];
    res.writeHead(body ? 200 : 404, { 'Content-Type': 'text/html; charset=utf-8' });
    res.end(body ?? 'not found');
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  baseUrl = `http://127.0.0.1:${server.address().port}`;
  workDir = fs.mkdtempSync(path.join(os.tmpdir(), 'vbx-script-'));
  profileDir = fs.mkdtempSync(path.join(os.tmpdir(), 'vbx-chromium-'));
  context = await chromium.launchPersistentContext(profileDir, {
    executablePath: chromiumPath,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run'],
  });
});

after(async () => {
  await context?.close();
  await new Promise((resolve) => (server ? server.close(resolve) : resolve()));
  for (const dir of [profileDir, workDir]) if (dir) fs.rmSync(dir, { recursive: true, force: true });
});

let fileCount = 0;
// The script exactly as the program builds it for a prompt's text and an input text.
function scriptFor(promptText, inputText) {
  const textFile = path.join(workDir, `text${++fileCount}`);
  const inputFile = path.join(workDir, `input${fileCount}`);
  fs.writeFileSync(textFile, promptText, 'utf8');
  fs.writeFileSync(inputFile, inputText, 'utf8');
  return execFileSync(vbxtool, ['script', textFile, inputFile]).toString('utf8');
}

// What the page's `text` holds: the joined message with each CR LF read as one line feed.
function expectedMessage(promptText, inputText) {
  return (inputText === '' ? promptText : `${promptText}\n\n${inputText}`).replace(/\r\n/g, '\n');
}

async function open(pathName) {
  const p = await context.newPage();
  await p.goto(baseUrl + pathName);
  const cdp = await context.newCDPSession(p);
  return { p, cdp };
}

// Runs the script as the browser view's ExecuteScript does: a classic script in the page.
async function runScript(cdp, script) {
  const result = await cdp.send('Runtime.evaluate', { expression: script });
  assert.equal(result.exceptionDetails, undefined, `script failed: ${JSON.stringify(result.exceptionDetails)}`);
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Waits until the page has seen `count` clicks (or a generous time has passed on a busy
// machine), then a little longer so that a click too many would show.
async function settle(p, count) {
  for (let waited = 0; waited < 5000; waited += 50) {
    if ((await p.evaluate(() => window.__clicks.length)) >= count) break;
    await sleep(50);
  }
  await sleep(300);
}
const state = (p) => p.evaluate(() => ({ commands: window.__commands, events: window.__events, clicks: window.__clicks }));

const messages = [
  ['apostrophes', "Sag's mal: it's 'quoted'", "l'input d'abord"],
  ['backslash-n stays two characters', 'C:\\new\\name and \\n', 'a\\nb\\'],
  ['CR LF line breaks', 'Zeile 1\r\nZeile 2\r\n', 'x\r\ny\r\n\r\nz'],
  ['tabs and double quotes', '\tcol1\t"col2"\t', '"Hallo" sagte sie'],
  ['emoji and umlauts', 'Grüße 😀 👍🏽 ß', '🇩🇪 € ∑ 𝄞'],
  ['a lone carriage return', 'a\rb', 'c\r\rd\r'],
  ['bare line feeds', 'one\ntwo', 'three\n'],
  ['empty input adds nothing', 'Nur der Prompt', ''],
  ['empty prompt text', '', 'Nur die Eingabe'],
];

test('vbxtool script prints the script alone, and fails on an unreadable file', () => {
  const script = scriptFor("a'b", '');
  assert.ok(script.startsWith("(() => { function findEl(sel) {"), script.slice(0, 40));
  assert.ok(script.endsWith('}, 800); } })();'), 'nothing after the script');
  assert.equal(script.length, 603 + 4 + 40 + 17 + 775);
  const missing = spawnSync(vbxtool, ['script', path.join(workDir, 'missing'), path.join(workDir, 'missing')]);
  assert.equal(missing.status, 1);
  assert.equal(missing.stdout.length, 0);
  assert.ok(missing.stderr.length > 0);
});

test('the message arrives exactly in a textarea chat, and Send is clicked once after 800 ms', async () => {
  const { p, cdp } = await open('/textarea');
  for (const [what, promptText, inputText] of messages) {
    await p.evaluate(() => { window.__commands = []; window.__events = []; window.__clicks = []; });
    const expected = expectedMessage(promptText, inputText);
    const ranAt = await p.evaluate(() => performance.now());
    await runScript(cdp, scriptFor(promptText, inputText));

    const early = await state(p);
    assert.deepEqual(early.commands, [['selectAll', null], ['delete', null], ['insertText', expected]], what);
    assert.deepEqual(early.events.map((e) => [e[0], e[1], e[3]]), [['input', true, 'textarea'], ['change', true, 'textarea']], what);
    // The textarea normalises a lone CR to a line feed in its value.
    assert.equal(await p.evaluate(() => document.getElementById('box').value), expected.replace(/\r/g, '\n'), what);
    assert.equal(early.clicks.length, 0, `${what}: clicked before the 800 ms`);

    await settle(p, 1);
    const late = await state(p);
    assert.equal(late.clicks.length, 1, `${what}: Send clicked once`);
    const delay = late.clicks[0][0] - late.events[0][2];
    assert.ok(delay >= 795 && delay < 3000, `${what}: clicked ${delay} ms after the input`);
    assert.ok(late.clicks[0][0] - ranAt >= 795, what);
  }
  await p.close();
});

test('a second run in the same page replaces the first message', async () => {
  const { p, cdp } = await open('/textarea');
  await runScript(cdp, scriptFor('first', 'run'));
  await runScript(cdp, scriptFor('second', ''));
  assert.equal(await p.evaluate(() => document.getElementById('box').value), 'second');
  await settle(p, 2);
  assert.equal((await state(p)).clicks.length, 2);
  await p.close();
});

test('a contenteditable chat gets the message and its disabled Send button is clicked', async () => {
  const { p, cdp } = await open('/contenteditable');
  const promptText = "Erkläre's:\r\n\t\"A\" \\n 😀";
  const inputText = 'Zeile\r\nzwei';
  await runScript(cdp, scriptFor(promptText, inputText));
  const early = await state(p);
  assert.deepEqual(early.commands.at(-1), ['insertText', expectedMessage(promptText, inputText)]);
  assert.deepEqual(early.events.map((e) => [e[0], e[1], e[3]]), [['input', true, 'div'], ['change', true, 'div']]);
  // The old content is gone and the new one is there (the editor renders line breaks its own way).
  const shown = await p.evaluate(() => document.getElementById('box').innerText);
  assert.equal(shown.replace(/\n+/g, '\n'), "Erkläre's:\n\t\"A\" \\n 😀\nZeile\nzwei");
  assert.equal(await p.evaluate(() => window.__enabledByInput), true);
  assert.equal(early.clicks.length, 0);
  await settle(p, 1);
  const late = await state(p);
  assert.equal(late.clicks.length, 1);
  assert.equal(late.clicks[0][1], false, 'button enabled when clicked');
  await p.close();
});

test('an input inside a shadow root is found, written and sent with #send-button', async () => {
  const { p, cdp } = await open('/shadow');
  await runScript(cdp, scriptFor("it's", 'a\r\nb'));
  const early = await state(p);
  assert.deepEqual(early.commands.at(-1), ['insertText', "it's\n\na\nb"]);
  assert.equal(await p.evaluate(() => window.__field().value), "it's\n\na\nb");
  assert.deepEqual(early.events.map((e) => [e[0], e[1], e[3]]), [['input', true, 'textarea'], ['change', true, 'textarea']]);
  assert.equal(early.clicks.length, 0);
  await settle(p, 1);
  assert.equal((await state(p)).clicks.length, 1);
  await p.close();
});

test('a Gemini page gets the message as its first paragraph, other paragraphs stay', async () => {
  const { p, cdp } = await open('/gemini.google.com/app');
  await runScript(cdp, scriptFor("Gemini's \"turn\"\r\n\t😀", 'x\\ny'));
  const early = await state(p);
  assert.deepEqual(early.commands, [], 'no editing commands on the Gemini page');
  const paragraphs = await p.evaluate(() => [...document.querySelectorAll('.ql-editor p')].map((e) => e.innerText));
  assert.deepEqual(paragraphs, ["Gemini's \"turn\"\n\t😀\n\nx\\ny", 'second']);
  assert.deepEqual(early.events.map((e) => [e[0], e[3]]), [['input', 'div'], ['change', 'div']]);
  await settle(p, 1);
  assert.equal((await state(p)).clicks.length, 1);
  await p.close();

  const empty = await open('/gemini.google.com/empty');
  await runScript(empty.cdp, scriptFor('neu', ''));
  assert.equal(await empty.p.evaluate(() => document.querySelector('.ql-editor').innerHTML), '<p>neu</p>');
  await empty.p.close();
});

test('a page without any input is left alone', async () => {
  const { p, cdp } = await open('/noinput');
  const before = await p.evaluate(() => document.body.innerHTML);
  await runScript(cdp, scriptFor("Hallo 'Welt'", 'a\rb'));
  await sleep(1300);
  const after = await state(p);
  assert.deepEqual(after, { commands: [], events: [], clicks: [] });
  assert.equal(await p.evaluate(() => document.body.innerHTML), before);
  await p.close();
});
