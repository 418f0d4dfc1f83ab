// The installer page from the keyboard alone, in headless Chromium: where the focus lands on
// each screen, the order Tab walks, the focus ring it shows, and Enter on each screen's button.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';
import { launchBrowser, openPage, settle } from './harness.mjs';

const LOCATION = String.raw`C:\Users\Ádám\AppData\Local\Programs\Zordelo`;
const INSTALL = String.raw`{"cmd":"install","dir":"C:\\Users\\Ádám\\AppData\\Local\\Programs\\Zordelo","desktop":true,"start":true}`;
const FINAL = String.raw`D:\Játékok\Zordelo`;
const LAUNCH = String.raw`{"cmd":"launch","dir":"D:\\Játékok\\Zordelo"}`;

let browser;
before(async () => {
  browser = await launchBrowser();
});
after(async () => {
  await browser?.close();
});

async function withPage(body) {
  const view = await openPage(browser, LOCATION);
  try {
    await body(view, view.page);
  } finally {
    await view.close();
  }
}

const focused = page => page.evaluate(() => document.activeElement?.id || document.activeElement?.tagName);

// The pixels of an element's box, widened by margin on each side.
async function picture(page, id, margin) {
  const b = await page.locator('#' + id).boundingBox();
  return page.screenshot({ clip: { x: b.x - margin, y: b.y - margin, width: b.width + 2 * margin, height: b.height + 2 * margin } });
}

// The welcome screen's stops in Tab order: the title bar's buttons, the install button, the
// options toggle, and (with the panel open) the browse button and the two tick boxes. The
// location field is not a stop.
const WELCOME_ORDER = ['min', 'x', 'go', 'tg', 'br', 'c-desk', 'c-start'];

describe('focus', () => {
  test('lands on "Telepítés" at load, and Enter there installs', () =>
    withPage(async (view, page) => {
      assert.equal(await focused(page), 'go');
      await page.keyboard.press('Enter');
      assert.deepEqual(await view.texts(), [INSTALL]);
      const [record] = await view.records();
      assert.equal(record.screen, 'p-prog');
    }));

  test('lands on "Befejezés" when the done screen shows, and Enter there launches or closes', async () => {
    for (const untick of [false, true]) {
      await withPage(async (view, page) => {
        await page.click('#go'); // with the mouse: the host's calls move the focus all the same
        await page.evaluate(`done(${JSON.stringify(FINAL)})`);
        assert.equal(await focused(page), 'fin');
        await view.clear();
        if (untick) {
          // Back to the launch box, untick it with Space, forward to the button.
          await page.keyboard.press('Shift+Tab');
          assert.equal(await focused(page), 'c-run');
          await page.keyboard.press('Space');
          assert.equal(await page.isChecked('#c-run'), false);
          await page.keyboard.press('Tab');
          assert.equal(await focused(page), 'fin');
        }
        await page.keyboard.press('Enter');
        assert.deepEqual(await view.texts(), [untick ? '{"cmd":"close"}' : LAUNCH], `launch box unticked: ${untick}`);
      });
    }
  });

  test('lands on "Bezárás" when the error screen shows, and Enter there closes', () =>
    withPage(async (view, page) => {
      await page.keyboard.press('Enter');
      await page.evaluate('fail("A mappa nem hozható létre: Hozzáférés megtagadva. (os error 5)")');
      assert.equal(await focused(page), 'cl');
      await view.clear();
      await page.keyboard.press('Enter');
      assert.deepEqual(await view.texts(), ['{"cmd":"close"}']);
    }));

  test('progress calls leave the focus alone; only done and fail move it', () =>
    withPage(async (view, page) => {
      await page.keyboard.press('Enter');
      await page.evaluate('progress(40,"Fájlok másolása…")');
      await page.evaluate(String.raw`setDir("E:\\Máshol\\Zordelo")`);
      const before = await focused(page);
      assert.notEqual(before, 'fin');
      assert.notEqual(before, 'cl');
      await page.evaluate('done("C:\\\\x")');
      assert.equal(await focused(page), 'fin');
    }));
});

// Pictures of the given stops on a page brought into a state by prepare, with nothing focused,
// to compare a focused stop against.
async function unfocusedPictures(prepare, stops) {
  const view = await openPage(browser, LOCATION);
  try {
    await prepare(view.page);
    await view.page.evaluate(() => document.activeElement.blur());
    const pictures = {};
    for (const [id, margin] of stops) pictures[id] = await picture(view.page, id, margin);
    return pictures;
  } finally {
    await view.close();
  }
}

// Margins of the pictures: the outline rings lie outside their element, the big buttons' rings
// inside them (their cut corner clips anything outside), so theirs are taken at the box alone.
const MARGIN = { min: 0, x: 0, go: 0, tg: 6, br: 6, 'c-desk': 6, 'c-start': 6, 'c-run': 6, fin: 0, cl: 0 };
const stops = ids => ids.map(id => [id, MARGIN[id]]);

const openOptions = async page => {
  await settle(page, ['#p-welcome']);
  await page.evaluate(() => document.getElementById('tg').click());
};

describe('Tab', () => {
  test('walks the welcome screen in order, each stop with a visible focus ring', async () => {
    const plain = await unfocusedPictures(openOptions, stops(WELCOME_ORDER));
    await withPage(async (view, page) => {
      await settle(page, ['#p-welcome']);
      // From "Telepítés": open the panel from the keyboard, then back to the first stop.
      await page.keyboard.press('Tab');
      assert.equal(await focused(page), 'tg');
      await page.keyboard.press('Enter');
      for (const id of ['go', 'x', 'min']) {
        await page.keyboard.press('Shift+Tab');
        assert.equal(await focused(page), id, `Shift+Tab reaches ${id}`);
      }
      assert.ok(!(await picture(page, 'min', MARGIN.min)).equals(plain.min), 'a focus ring shows on min');
      for (const id of WELCOME_ORDER.slice(1)) {
        await page.keyboard.press('Tab');
        assert.equal(await focused(page), id, `Tab reaches ${id}`);
        assert.ok(!(await picture(page, id, MARGIN[id])).equals(plain[id]), `a focus ring shows on ${id}`);
      }
      // With the panel closed, its controls are no stops: the toggle leads past them.
      await page.evaluate(() => document.getElementById('tg').click());
      await page.focus('#go');
      await page.keyboard.press('Tab');
      assert.equal(await focused(page), 'tg');
      await page.keyboard.press('Tab');
      assert.ok(!['br', 'c-desk', 'c-start', 'dir'].includes(await focused(page)), await focused(page));
      assert.deepEqual(await view.texts(), []);
    });
  });

  test('the ring is drawn for keyboard focus only, not for a mouse click', () =>
    withPage(async (view, page) => {
      await settle(page, ['#p-welcome']);
      await page.evaluate(() => document.activeElement.blur());
      const before = await picture(page, 'tg', MARGIN.tg);
      await page.click('#tg');
      await page.click('#tg'); // closed again: the same look as before, but focused
      await page.mouse.move(5, 530);
      assert.equal(await focused(page), 'tg');
      assert.ok((await picture(page, 'tg', MARGIN.tg)).equals(before), 'no ring after a click');
    }));

  test('on the done screen: the launch box, then "Befejezés", each with a ring', async () => {
    const toDone = async page => {
      await page.keyboard.press('Enter');
      await page.evaluate(`done(${JSON.stringify(FINAL)})`);
      await settle(page, ['#p-done']);
    };
    const plain = await unfocusedPictures(toDone, stops(['c-run', 'fin']));
    await withPage(async (view, page) => {
      await toDone(page);
      await page.keyboard.press('Shift+Tab');
      assert.equal(await focused(page), 'c-run');
      assert.ok(!(await picture(page, 'c-run', MARGIN['c-run'])).equals(plain['c-run']), 'a ring around the launch box');
      await page.keyboard.press('Tab');
      assert.equal(await focused(page), 'fin');
      assert.ok(!(await picture(page, 'fin', MARGIN.fin)).equals(plain.fin), 'a ring inside "Befejezés"');
    });
  });

  test('on the error screen: the title bar\'s buttons and "Bezárás", with a ring inside it', async () => {
    const toError = async page => {
      await page.keyboard.press('Enter');
      await page.evaluate('fail("hiba")');
      await settle(page, ['#p-error']);
    };
    const plain = await unfocusedPictures(toError, stops(['cl']));
    await withPage(async (view, page) => {
      await toError(page);
      for (const id of ['x', 'min']) {
        await page.keyboard.press('Shift+Tab');
        assert.equal(await focused(page), id);
      }
      await page.keyboard.press('Tab');
      await page.keyboard.press('Tab');
      assert.equal(await focused(page), 'cl');
      assert.ok(!(await picture(page, 'cl', MARGIN.cl)).equals(plain.cl), 'a ring inside "Bezárás"');
    });
  });
});

describe('options toggle', () => {
  test('tells assistive technology whether the panel is open', () =>
    withPage(async (view, page) => {
      const state = () =>
        page.evaluate(() => {
          const tg = document.getElementById('tg');
          return [tg.getAttribute('aria-expanded'), tg.getAttribute('aria-controls'), document.getElementById('opts').classList.contains('on')];
        });
      assert.deepEqual(await state(), ['false', 'opts', false]);
      await page.keyboard.press('Tab'); // from "Telepítés" to the toggle
      await page.keyboard.press('Enter');
      assert.deepEqual(await state(), ['true', 'opts', true]);
      await page.keyboard.press('Space');
      assert.deepEqual(await state(), ['false', 'opts', false]);
      await page.click('#tg');
      assert.deepEqual(await state(), ['true', 'opts', true]);
      assert.deepEqual(await view.texts(), []);
    }));
});
