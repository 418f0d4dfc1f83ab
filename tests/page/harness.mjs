// Shared set-up of the page tests and the preview: the filled installer page in headless
// Chromium, with the host's message bridge in place and every posted message recorded.
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const sourceDir = process.env.ZORDELO_SOURCE ?? path.resolve(here, '..', '..');
export const chromiumPath = process.env.ZORDELO_CHROMIUM ?? '/usr/bin/chromium';

// The installer asks for a content area of 820 x 540 logical pixels.
export const viewport = { width: 820, height: 540 };

// The bridge that the host runs in every document before the page's own scripts.
export const BRIDGE =
  "Object.defineProperty(window, 'ipc', { value: Object.freeze({ postMessage: s=> window.chrome.webview.postMessage(s) }) });";

// Stands in for the web view's own messaging: each posted message is kept with a snapshot of
// what the page showed at that moment.
const RECORDER = `(() => {
  const sent = [];
  Object.defineProperty(window, '__sent', { value: sent });
  window.chrome = window.chrome || {};
  window.chrome.webview = {
    postMessage(s) {
      const on = document.querySelector('.page.on');
      sent.push({
        text: s,
        type: typeof s,
        screen: on ? on.id : null,
        pct: document.getElementById('pct')?.textContent,
        stat: document.getElementById('stat')?.textContent,
        tip: document.getElementById('tip')?.innerHTML,
        timer: typeof tipTimer !== 'undefined' && tipTimer !== null,
      });
    },
  };
})();`;

function fillPageTool() {
  const tool = process.env.ZORDELO_FILL_PAGE;
  if (!tool || !existsSync(tool)) {
    throw new Error(
      'ZORDELO_FILL_PAGE must name the fill_page tool of the host build ' +
        '(cmake --build build/host --target fill_page); got ' + JSON.stringify(tool));
  }
  return tool;
}

const workDir = mkdtempSync(path.join(tmpdir(), 'zordelo-page-'));
process.on('exit', () => rmSync(workDir, { recursive: true, force: true }));
let pageCount = 0;

// Fills the real template with the real hero picture for a default location, by the same
// fill-in code that setup.exe runs, and returns the file URL of the page.
export function filledPage(defaultLocation) {
  const out = path.join(workDir, `page-${++pageCount}.html`);
  const r = spawnSync(
    fillPageTool(),
    [path.join(sourceDir, 'assets', 'page.html'), path.join(sourceDir, 'assets', 'hero.jpg'), defaultLocation, out],
    { encoding: 'utf8' });
  if (r.status !== 0) throw new Error(`fill_page failed (${r.status}): ${r.stderr}`);
  return pathToFileURL(out).href;
}

// One browser per test file; Playwright gives it a fresh temporary --user-data-dir.
export async function launchBrowser() {
  if (!existsSync(chromiumPath)) {
    throw new Error(`Chromium not found at ${chromiumPath} (Debian package "chromium")`);
  }
  return chromium.launch({
    executablePath: chromiumPath,
    headless: true, // passes --headless
    args: [
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
    ],
  });
}

// Opens the filled page in a new browser context. With `clock`, the page's timers run on a
// fake clock that the test moves forward (page.clock).
export async function openPage(browser, defaultLocation, { clock = false } = {}) {
  const context = await browser.newContext({ viewport, deviceScaleFactor: 1 });
  const page = await context.newPage();
  if (clock) await page.clock.install({ time: 0 });
  await page.addInitScript({ content: RECORDER });
  await page.addInitScript({ content: BRIDGE });
  await page.goto(filledPage(defaultLocation));
  // A fake clock still runs with real time until paused; from here on only the test moves it.
  if (clock) await page.clock.pauseAt(60_000);
  return {
    page,
    close: () => context.close(),
    // All messages so far, as posted texts.
    async texts() {
      return (await page.evaluate(() => window.__sent)).map(m => m.text);
    },
    async records() {
      return page.evaluate(() => window.__sent);
    },
    async clear() {
      await page.evaluate(() => window.__sent.splice(0));
    },
  };
}

// Waits until the transitions of the given elements have ended.
export async function settle(page, selectors) {
  await page.evaluate(async sels => {
    const anims = sels.flatMap(s => document.querySelector(s).getAnimations().filter(a => a.effect?.getTiming().iterations !== Infinity));
    await Promise.all(anims.map(a => a.finished.catch(() => {})));
  }, selectors);
}
