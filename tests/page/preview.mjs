// Renders the installer page's screens at the installer's content size (820 x 540) to PNG
// files: node tests/page/preview.mjs <output folder>
// Needs ZORDELO_FILL_PAGE (see harness.mjs); scripts/preview-page.sh sets everything up.
import { mkdirSync } from 'node:fs';
import path from 'node:path';
import { launchBrowser, openPage } from './harness.mjs';

const outDir = path.resolve(process.argv[2] ?? 'build/page-preview');
mkdirSync(outDir, { recursive: true });

const LOCATION = 'C:\\Users\\Ádám\\AppData\\Local\\Programs\\Zordelo';

// Each screen: what to do on a freshly loaded page before the picture is taken.
const screens = {
  welcome: async () => {},
  'welcome-options': async page => {
    await page.click('#tg');
    await page.click('#c-start');
  },
  progress: async page => {
    await page.click('#go');
    await page.evaluate('progress(37,"Fájlok másolása…")');
  },
  done: async page => {
    await page.click('#go');
    await page.evaluate(`done(${JSON.stringify(LOCATION)})`);
  },
  error: async page => {
    await page.click('#go');
    await page.evaluate(
      'fail("Nem sikerült a kicsomagolás: C:\\\\Users\\\\Ádám\\\\AppData\\\\Local\\\\Programs\\\\Zordelo\\\\Zordelo.exe: ' +
        'Hozzáférés megtagadva. (os error 5)")');
  },
};

const browser = await launchBrowser();
try {
  for (const [name, prepare] of Object.entries(screens)) {
    const view = await openPage(browser, LOCATION);
    const { page } = view;
    await prepare(page);
    // Let the screen's fade-in, the bar's transitions and the ring finish; the endless sheen
    // is frozen where it happens to be.
    await page.evaluate(async () => {
      const finite = document.getAnimations().filter(a => a.effect?.getTiming().iterations !== Infinity);
      await Promise.all(finite.map(a => a.finished.catch(() => {})));
    });
    await page.mouse.move(1, 300); // no hover effects
    const file = path.join(outDir, `${name}.png`);
    await page.screenshot({ path: file });
    console.log(file);
    await view.close();
  }
} finally {
  await browser.close();
}
