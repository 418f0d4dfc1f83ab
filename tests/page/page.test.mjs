// The filled installer page in headless Chromium, seen the way the host sees it: the bridge
// script installed before the page's own script, page messages recorded as posted texts, and
// page calls evaluated as the host evaluates them (plain script text).
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';
import { launchBrowser, openPage, settle } from './harness.mjs';

// A default location that needs escaping on its way in and out: backslashes, accented
// letters, double quotes.
const LOCATION = String.raw`C:\Users\Ádám "Ő"\AppData\Local\Programs\Zordelo`;
const LOCATION_JSON = String.raw`"C:\\Users\\Ádám \"Ő\"\\AppData\\Local\\Programs\\Zordelo"`;

const TIPS = [
  'Az első pénzből vegyél <b>vascsákányt</b>, utána gyűjts a szénmozdonyra.',
  'Minden szinten nyílik valami: <b>50 szint</b> vár a Zordeló rangig.',
  'A 15. szinttől <b>vájárokat</b> vehetsz fel, ők a járatokban fejtenek helyetted.',
  'A hajnal és a szürkület a <b>horgászat</b> legjobb ideje.',
  'A munkásszállón éjjel csendben járj, nehogy <b>felébreszd</b> őket.',
  'A kaszinóban hosszú távon <b>a ház nyer</b>. Csak óvatosan!',
];

let browser;
before(async () => {
  browser = await launchBrowser();
});
after(async () => {
  await browser?.close();
});

// Runs `body` with a freshly loaded page and closes it afterwards.
async function withPage(options, body) {
  const view = await openPage(browser, options.location ?? LOCATION, options);
  try {
    await body(view, view.page);
  } finally {
    await view.close();
  }
}

const shownScreens = page =>
  page.evaluate(() =>
    [...document.querySelectorAll('.page')]
      .filter(s => s.classList.contains('on') || getComputedStyle(s).display !== 'none')
      .map(s => s.id));

const centre = async (page, selector) => {
  const b = await page.locator(selector).boundingBox();
  return { x: b.x + b.width / 2, y: b.y + b.height / 2 };
};

describe('at load', () => {
  test('shows only the welcome screen with the default location and every box ticked', () =>
    withPage({}, async (view, page) => {
      assert.deepEqual(await shownScreens(page), ['p-welcome']);
      assert.equal(await page.evaluate(() => getComputedStyle(document.getElementById('opts')).display), 'none');
      assert.equal(await page.evaluate(() => DEFAULT_DIR), LOCATION);
      assert.equal(await page.evaluate(() => dir), LOCATION);
      assert.equal(await page.evaluate(() => finalDir), LOCATION);
      assert.equal(await page.inputValue('#dir'), LOCATION);
      assert.equal(await page.evaluate(() => document.getElementById('dir').readOnly), true);
      for (const id of ['c-desk', 'c-start', 'c-run']) assert.equal(await page.isChecked('#' + id), true, id);
      assert.deepEqual(
        await page.evaluate(() => ({
          pct: document.getElementById('pct').textContent,
          stat: document.getElementById('stat').textContent,
          tip: document.getElementById('tip').innerHTML,
          err: document.getElementById('err').textContent,
          cart: document.getElementById('cart').style.left,
          tipAt,
          tipTimer,
          lang: document.documentElement.lang,
          charset: document.characterSet,
          ipc: typeof window.ipc.postMessage,
        })),
        { pct: '0', stat: 'Indítás…', tip: '', err: '', cart: '0px', tipAt: 0, tipTimer: null, lang: 'hu', charset: 'UTF-8', ipc: 'function' });
      assert.deepEqual(await view.texts(), []);
    }));

  test('a default location with markup and line breaks arrives as plain text', () => {
    const odd = 'C:\\x</script><b>y</b>\n\t\u2028\u001b"\'`${z}';
    return withPage({ location: odd }, async (view, page) => {
      assert.equal(await page.evaluate(() => DEFAULT_DIR), odd);
      // A text field drops line breaks from its value; everything else shows as it is.
      assert.equal(await page.inputValue('#dir'), odd.replace(/\n/g, ''));
      assert.equal(await page.evaluate(() => document.scripts.length), 1);
      assert.deepEqual(await shownScreens(page), ['p-welcome']);
    });
  });

  test('fixed texts and tooltips', () =>
    withPage({}, async (view, page) => {
      const texts = await page.evaluate(() => {
        const t = sel => document.querySelector(sel).textContent;
        return {
          title: document.title,
          brand: t('#bar .brand'),
          minTip: document.getElementById('min').title,
          closeTip: document.getElementById('x').title,
          heading: t('.hero h1'),
          gold: t('.hero h1 span'),
          tag: t('.hero .tag'),
          version: t('.hero .ver'),
          features: [...document.querySelectorAll('.feats li')].map(li => li.innerText.split('\n').filter(Boolean)),
          go: t('#go'),
          tg: t('#tg'),
          br: t('#br'),
          desk: t('label:has(#c-desk)'),
          start: t('label:has(#c-start)'),
          done: t('#p-done h2'),
          doneBlue: t('#p-done h2 span'),
          hint: document.querySelector('#p-done .hint').innerHTML,
          run: t('label:has(#c-run)'),
          fin: t('#fin'),
          errHead: t('#p-error h2'),
          cl: t('#cl'),
        };
      });
      assert.deepEqual(texts, {
        title: 'Zordeló telepítő',
        brand: 'Zordeló telepítő',
        minTip: 'Kis méret',
        closeTip: 'Bezárás',
        heading: 'Zordeló',
        gold: 'eló',
        tag: 'Egy csákánytól a bányabirodalomig: bánya, vasút, erdő, halászat, farm.',
        version: '// Verzió 0.1.0 · első kiadás',
        features: [
          ['01', 'Minden egyben', 'A teljes játék benne van, internet nélkül is települ.'],
          ['02', 'Rendszergazdai jog nélkül', 'A saját felhasználói mappádba kerül, semmi mást nem bánt.'],
          ['03', 'A mentésed megmarad', 'Frissítésnél és eltávolításnál sem törlődik a játékállásod.'],
        ],
        go: 'Telepítés',
        tg: 'Telepítési beállítások ▾',
        br: 'Tallózás',
        desk: 'Parancsikon az asztalon',
        start: 'Parancsikon a Start menüben',
        done: 'Kész, jó szerencsét!',
        doneBlue: 'jó szerencsét!',
        hint:
          'Az elején a bevezető végigvezet: <kbd>WASD</kbd> mozgás, <kbd>E</kbd> használat, <kbd>F</kbd> pakolás és ' +
          'eladás, bal egérgomb a csákány. A kunyhó számítógépén a Telep program mutatja, mi nyílik legközelebb.',
        run: 'Zordeló indítása most',
        fin: 'Befejezés',
        errHead: 'Valami nem sikerült',
        cl: 'Bezárás',
      });
      assert.deepEqual(await page.evaluate(() => TIPS), TIPS);
      // The hero picture decodes as the 1000 x 300 image.
      assert.deepEqual(
        await page.evaluate(async () => {
          const img = document.querySelector('.hero img');
          await img.decode();
          return [img.naturalWidth, img.naturalHeight, img.src.slice(0, 23)];
        }),
        [1000, 300, 'data:image/jpeg;base64,']);
    }));
});

describe('page messages', () => {
  test('install carries cmd, dir, desktop and start in this order, with the tick states', async () => {
    const cases = [
      { untick: [], want: `{"cmd":"install","dir":${LOCATION_JSON},"desktop":true,"start":true}` },
      { untick: ['#c-desk'], want: `{"cmd":"install","dir":${LOCATION_JSON},"desktop":false,"start":true}` },
      { untick: ['#c-start'], want: `{"cmd":"install","dir":${LOCATION_JSON},"desktop":true,"start":false}` },
      { untick: ['#c-desk', '#c-start'], want: `{"cmd":"install","dir":${LOCATION_JSON},"desktop":false,"start":false}` },
    ];
    for (const c of cases) {
      await withPage({}, async (view, page) => {
        await page.click('#tg');
        for (const box of c.untick) await page.click(`label:has(${box})`);
        await page.click('#go');
        const records = await view.records();
        assert.deepEqual(records.map(r => r.text), [c.want], c.untick.join());
        assert.equal(records[0].type, 'string');
      });
    }
  });

  test('install uses the folder of the last setDir', () =>
    withPage({}, async (view, page) => {
      await page.evaluate(String.raw`setDir("D:\\Játék\\Zordelo")`);
      await page.evaluate(String.raw`setDir("E:\\Mások \"x\"\\Zordelo")`);
      assert.equal(await page.inputValue('#dir'), String.raw`E:\Mások "x"\Zordelo`);
      await page.click('#go');
      assert.deepEqual(await view.texts(), [
        String.raw`{"cmd":"install","dir":"E:\\Mások \"x\"\\Zordelo","desktop":true,"start":true}`,
      ]);
    }));

  test('the options toggle sends nothing; browse, min and close send their commands', () =>
    withPage({}, async (view, page) => {
      const opts = () => page.evaluate(() => [document.getElementById('opts').className, getComputedStyle(document.getElementById('opts')).display]);
      await page.click('#tg');
      assert.deepEqual(await opts(), ['opts on', 'flex']);
      await page.click('#tg');
      assert.deepEqual(await opts(), ['opts', 'none']);
      assert.deepEqual(await view.texts(), []);
      await page.click('#tg');
      await page.click('#br');
      await page.click('#min');
      await page.click('#x');
      assert.deepEqual(await view.texts(), ['{"cmd":"browse"}', '{"cmd":"min"}', '{"cmd":"close"}']);
      // Ticking boxes and clicking the read-only field send nothing either.
      await view.clear();
      await page.click('label:has(#c-desk)');
      await page.click('#dir');
      assert.deepEqual(await view.texts(), []);
    }));

  test('finish launches from the location of done, or closes when the launch box is unticked', async () => {
    const finalDir = String.raw`D:\Játékok\Zordelo`;
    for (const untick of [false, true]) {
      await withPage({}, async (view, page) => {
        await page.click('#go');
        await page.evaluate(`done(${JSON.stringify(finalDir)})`);
        await view.clear();
        if (untick) await page.click('label:has(#c-run)');
        await page.click('#fin');
        assert.deepEqual(await view.texts(), [untick ? '{"cmd":"close"}' : String.raw`{"cmd":"launch","dir":"D:\\Játékok\\Zordelo"}`]);
      });
    }
  });

  test('the close button of the error screen and of the title bar send close', () =>
    withPage({}, async (view, page) => {
      await page.click('#go');
      await page.evaluate('fail("hiba")');
      await view.clear();
      await page.click('#cl');
      await page.click('#x');
      assert.deepEqual(await view.texts(), ['{"cmd":"close"}', '{"cmd":"close"}']);
    }));

  test('a primary press on the title bar outside its buttons sends drag, on any screen', () =>
    withPage({}, async (view, page) => {
      const presses = [
        ['#bar .brand span', 'left', ['{"cmd":"drag"}']],
        ['#bar .mark', 'left', ['{"cmd":"drag"}']],
        ['#min', 'left', []],
        ['#x', 'left', []],
        ['#min svg', 'left', []],
        ['#bar .brand span', 'right', []],
        ['#bar .brand span', 'middle', []],
      ];
      for (const [selector, button, want] of presses) {
        await view.clear();
        const { x, y } = await centre(page, selector);
        await page.mouse.move(x, y);
        await page.mouse.down({ button });
        assert.deepEqual(await view.texts(), want, `${button} press on ${selector}`);
        await page.mouse.up({ button });
      }
      // The empty middle of the bar, while the install runs.
      await page.click('#go');
      await view.clear();
      await page.mouse.move(410, 19);
      await page.mouse.down();
      await page.mouse.up();
      assert.deepEqual(await view.texts(), ['{"cmd":"drag"}']);
    }));
});

describe('install start and tips', () => {
  test('shows progress, reports 0 and the first tip, starts the timer, then posts install', () =>
    withPage({ clock: true }, async (view, page) => {
      await page.click('#go');
      const [record] = await view.records();
      assert.deepEqual(
        { screen: record.screen, pct: record.pct, stat: record.stat, tip: record.tip, timer: record.timer },
        { screen: 'p-prog', pct: '0', stat: 'Indítás…', tip: TIPS[0], timer: true });
      assert.deepEqual(await shownScreens(page), ['p-prog']);
      assert.equal(await page.evaluate(() => document.getElementById('fill').style.width), '0%');
    }));

  test('tips rotate every 4000 ms through all six and back to the first, until done', () =>
    withPage({ clock: true }, async (view, page) => {
      const tip = () => page.evaluate(() => document.getElementById('tip').innerHTML);
      await page.click('#go');
      assert.equal(await tip(), TIPS[0]);
      for (let i = 1; i <= 7; i++) {
        await page.clock.runFor(3999);
        assert.equal(await tip(), TIPS[(i - 1) % 6], `just before tick ${i}`);
        await page.clock.runFor(1);
        assert.equal(await tip(), TIPS[i % 6], `at tick ${i}`);
      }
      // Tips are markup: the bold words are elements.
      assert.deepEqual(await page.evaluate(() => [...document.querySelectorAll('#tip b')].map(b => b.textContent)), ['50 szint']);
      await page.evaluate('done("C:\\\\x")');
      const shownAtDone = await tip();
      await page.clock.runFor(20000);
      assert.equal(await tip(), shownAtDone);
      assert.equal(await page.evaluate(() => tipAt), 8);
    }));

  test('fail stops the rotation too', () =>
    withPage({ clock: true }, async (view, page) => {
      const tip = () => page.evaluate(() => document.getElementById('tip').innerHTML);
      await page.click('#go');
      await page.clock.runFor(4000);
      assert.equal(await tip(), TIPS[1]);
      await page.evaluate('fail("x")');
      await page.clock.runFor(40000);
      assert.equal(await tip(), TIPS[1]);
      assert.equal(await page.evaluate(() => tipAt), 2);
    }));
});

describe('page calls', () => {
  test('progress sets the number, the fill and the cart, flush left at 0 and flush right at 100', () =>
    withPage({}, async (view, page) => {
      await page.click('#go');
      for (const p of [0, 37, 100, 0]) {
        await page.evaluate(`progress(${p},"Fájlok másolása…")`);
        await settle(page, ['#fill', '#cart']);
        const m = await page.evaluate(() => {
          const r = id => document.getElementById(id).getBoundingClientRect();
          const track = document.querySelector('.track');
          return {
            pct: document.getElementById('pct').textContent,
            stat: document.getElementById('stat').textContent,
            fillStyle: document.getElementById('fill').style.width,
            fill: r('fill').width,
            inner: track.clientWidth,
            track: track.getBoundingClientRect(),
            cart: r('cart'),
          };
        });
        assert.equal(m.pct, String(p));
        assert.equal(m.stat, 'Fájlok másolása…');
        assert.equal(m.fillStyle, `${p}%`);
        assert.ok(Math.abs(m.fill - (m.inner * p) / 100) < 0.5, `fill ${m.fill} of ${m.inner} at ${p}`);
        assert.equal(m.cart.width, 22);
        const wantLeft = m.track.left + (m.track.width * p) / 100 - 0.22 * p;
        assert.ok(Math.abs(m.cart.left - wantLeft) < 0.5, `cart left ${m.cart.left}, want ${wantLeft} at ${p}`);
        if (p === 0) assert.ok(Math.abs(m.cart.left - m.track.left) < 0.5, 'flush left');
        if (p === 100) assert.ok(Math.abs(m.cart.right - m.track.right) < 0.5, 'flush right');
        // The cart rides one pixel above the track.
        assert.ok(Math.abs(m.track.top - m.cart.bottom - 1) < 0.5, `cart bottom ${m.cart.bottom}, track top ${m.track.top}`);
      }
    }));

  test('status and error texts with markup characters show literally', () =>
    withPage({}, async (view, page) => {
      const markup = '<b>félkövér</b> & <img src=x onerror="window.__hit=1"> "idéző" \\ ok';
      await page.click('#go');
      await page.evaluate(`progress(5,${JSON.stringify(markup)})`);
      assert.deepEqual(
        await page.evaluate(() => [document.getElementById('stat').textContent, document.getElementById('stat').children.length]),
        [markup, 0]);
      await page.evaluate(`fail(${JSON.stringify(markup + '\nmásodik sor')})`);
      assert.deepEqual(
        await page.evaluate(() => [document.getElementById('err').textContent, document.getElementById('err').children.length, window.__hit]),
        [markup + '\nmásodik sor', 0, undefined]);
      assert.deepEqual(await shownScreens(page), ['p-error']);
    }));

  test('setDir after the install started changes only dir and the field; finalDir comes from done', () =>
    withPage({}, async (view, page) => {
      await page.click('#go');
      await view.clear();
      await page.evaluate(String.raw`setDir("F:\\Később\\Zordelo")`);
      assert.deepEqual(await page.evaluate(() => [dir, finalDir, document.getElementById('dir').value]), [
        String.raw`F:\Később\Zordelo`,
        LOCATION,
        String.raw`F:\Később\Zordelo`,
      ]);
      assert.deepEqual(await shownScreens(page), ['p-prog']);
      assert.deepEqual(await view.texts(), []);
      await page.evaluate(String.raw`done("G:\\Kész\\Zordelo")`);
      assert.deepEqual(await shownScreens(page), ['p-done']);
      assert.equal(await page.evaluate(() => finalDir), String.raw`G:\Kész\Zordelo`);
      await page.click('#fin');
      assert.deepEqual(await view.texts(), [String.raw`{"cmd":"launch","dir":"G:\\Kész\\Zordelo"}`]);
    }));
});

describe('context menu and selection', () => {
  test('a right click anywhere has its context menu cancelled', () =>
    withPage({}, async (view, page) => {
      await page.evaluate(() => {
        window.__menus = [];
        window.addEventListener('contextmenu', e => window.__menus.push(e.defaultPrevented));
      });
      const spots = ['#bar .brand span', '.hero .tag', '#go', '.feats li', 'main'];
      for (const s of spots) await page.click(s, { button: 'right' });
      await page.click('#go');
      await page.evaluate('fail("hiba")');
      await page.click('#err', { button: 'right' });
      assert.deepEqual(await page.evaluate(() => window.__menus), Array(spots.length + 1).fill(true));
      assert.deepEqual(await view.texts(), ['{"cmd":"install","dir":' + LOCATION_JSON + ',"desktop":true,"start":true}']);
    }));

  test('only the error message can be selected', () =>
    withPage({}, async (view, page) => {
      // Every element but the error message refuses selection.
      const selectable = () =>
        page.evaluate(() => [...document.querySelectorAll('body *')].filter(e => getComputedStyle(e).userSelect !== 'none').map(e => e.id || e.tagName));
      assert.deepEqual(await selectable(), ['err']);
      // Triple clicks and select-all pick nothing on the welcome screen, not even the field.
      await page.click('.hero .tag', { clickCount: 3 });
      await page.click('.feats li p', { clickCount: 3 });
      await page.keyboard.press('Control+A');
      assert.equal(await page.evaluate(() => window.getSelection().toString()), '');
      await page.click('#tg');
      await page.click('#dir', { clickCount: 2 });
      assert.deepEqual(
        await page.evaluate(() => {
          const d = document.getElementById('dir');
          return [document.activeElement === d, d.selectionEnd - d.selectionStart];
        }),
        [false, 0]);
      // The error message can be selected and copied.
      await page.click('#go');
      await page.evaluate('fail("Hozzáférés megtagadva. (os error 5)")');
      await settle(page, ['#p-error']);
      await page.click('#err', { clickCount: 3 });
      assert.equal((await page.evaluate(() => window.getSelection().toString())).trim(), 'Hozzáférés megtagadva. (os error 5)');
      assert.deepEqual(await selectable(), ['err']);
    }));
});
