// The page as a user meets it: served on 127.0.0.1, opened in headless
// Chromium, driven with mouse and touch input through the DevTools protocol,
// its canvas read back from screenshots. POLYSKETCH_WEB_SITE names the folder.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { cp, mkdtemp, readFile, readdir, stat, writeFile } from 'node:fs/promises';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';
import { PNG } from 'pngjs';
import { entries, linguas, messages } from '../web/page/catalogues.mjs';
import { serve, chromium, programStarted, placeCanvas, canvasClip } from './site.mjs';

const site = process.env.POLYSKETCH_WEB_SITE;
const WHITE = [255, 255, 255], BLACK = [0, 0, 0], RED = [255, 0, 0], CYAN = [0, 255, 255];
const POLL_TRIES = 100; // of 50 ms each
const describe = (c) => `(${c.join(', ')})`;
// axe-core, the accessibility checker, as a script to run in a page.
const AXE = await readFile(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');

// Every language's words as its catalogue under po/ has them, by the tag
// that it gives, English first: what the page must show and speak, read
// here rather than from the page's own table, which a wrong build would get
// wrong alike. A translation missing or fuzzy, which no page may show,
// fails every test.
function catalogued() {
  const po = fileURLToPath(new URL('../po/', import.meta.url));
  const keys = Object.entries(messages(fileURLToPath(new URL('../web/page/words.js', import.meta.url))));
  const english = Object.fromEntries(keys.map(([key, { id }]) => [key, id]));
  const all = { [english.tag]: english };
  for (const name of linguas(po)) {
    const found = entries(join(po, `${name}.po`));
    const words = Object.fromEntries(keys.map(([key, { id, lookUp }]) => {
      const entry = found.get(lookUp);
      assert.ok(entry?.msgstr && !entry.fuzzy, `po/${name}.po has no translation of "${id}" that a page may show`);
      return [key, entry.msgstr];
    }));
    all[words.tag] = words;
  }
  return all;
}
const CATALOGUED = catalogued();

// Runs in every page before its own scripts, given CATALOGUED: at each
// frame until the program starts, and whenever `checkWords` is called,
// notes in `wrongWords` every word on show that is not its catalogue's in
// the language the page names, as English shown before the language is
// known would be, and a choice that shows another language than that one.
function watchWords(words) {
  window.wrongWords = [];
  const seen = (e) => e?.checkVisibility({ visibilityProperty: true });
  window.checkWords = () => {
    const lang = document.documentElement.lang, own = words[lang];
    for (const e of document.querySelectorAll('[data-word]'))
      if (e.textContent !== '' && seen(e) && e.textContent !== own?.[e.dataset.word])
        window.wrongWords.push(`${lang}: ${e.textContent}`);
    const choice = document.getElementById('language'), shows = choice?.selectedOptions[0]?.textContent;
    if (seen(choice) && !(own && [own.name, own.browser].includes(shows)))
      window.wrongWords.push(`${lang}: the choice shows ${shows}`);
  };
  const watch = () => {
    window.checkWords();
    if (document.querySelector('canvas:not([aria-busy])') === null)
      requestAnimationFrame(watch);
  };
  requestAnimationFrame(watch);
}

// One page at one screen: `view` is what puppeteer's setViewport takes, and a
// scene pixel shows as `scale` screenshot pixels across, the canvas made to
// fit the view where that needs it to be shown narrower than it is.
class Page {
  errors = [];
  languages = null; // as the browser's settings list them, or its own

  async open(view, scale, args, languages) {
    this.languages = languages;
    this.server = await serve(site);
    this.browser = await puppeteer.launch(chromium(args));
    this.view = view;
    this.css = scale / view.deviceScaleFactor; // CSS pixels per scene pixel
    this.scale = scale;
    await this.visit(await this.browser.newPage());
    await this.started();
  }

  // Opens the site in `page`, which reports every error, failed request and
  // violation of the page's policy, once `prepare` has made it ready.
  async visit(page, prepare = async () => {}) {
    this.page = page;
    this.cdp = await page.createCDPSession();
    page.setDefaultTimeout(300000); // pages load in minutes under emulation
    page.on('pageerror', (e) => this.errors.push(`page error: ${e.message}`));
    page.on('console', (m) => m.type() === 'error' && this.errors.push(`console: ${m.text()}`));
    page.on('requestfailed', (r) => this.errors.push(`failed request: ${r.url()}`));
    page.on('response', (r) => r.status() >= 400 && this.errors.push(`${r.status()}: ${r.url()}`));
    await page.evaluateOnNewDocument(() => addEventListener('securitypolicyviolation', (e) =>
      console.error(`policy violated: ${e.violatedDirective} by ${e.blockedURI}`)));
    await page.evaluateOnNewDocument(watchWords, CATALOGUED);
    if (this.languages !== null)
      await this.speak(this.languages);
    await page.setViewport(this.view);
    await prepare(page, this.server);
    await page.goto(`http://127.0.0.1:${this.server.address().port}/`, { waitUntil: 'domcontentloaded' });
  }

  // The browser's languages, from the next start on.
  async speak(languages) {
    this.languages = languages;
    await this.cdp.send('Emulation.setUserAgentOverride',
                        { userAgent: await this.browser.userAgent(), acceptLanguage: languages });
  }

  // The page's language and direction, and every word that it has shown in
  // another language than that since it opened, or shows now.
  shown() {
    return this.page.evaluate(() => {
      window.checkWords();
      return [document.documentElement.lang, document.documentElement.dir, window.wrongWords];
    });
  }

  // The page speaks `tag` in all that a user reads and hears, in its
  // catalogue's words: the hint, the drawing area's accessible name, the
  // choice's, and the language that it shows, the one chosen or else the
  // browser's; and the description. It has shown no other's words.
  async speaks(tag, chosen, when) {
    const words = CATALOGUED[tag];
    assert.deepEqual(await this.shown(), [tag, words.dir, []], when);
    const [canvas, choice] = await Promise.all(['canvas', '#language'].map(async (s) =>
      this.page.accessibility.snapshot({ root: await this.page.$(s) })));
    const read = await this.page.evaluate(() => [document.getElementById('hint').textContent,
      document.getElementById('hint').checkVisibility({ visibilityProperty: true }),
      document.getElementById('language').checkVisibility({ visibilityProperty: true }),
      document.querySelector('meta[name=description]').content]);
    assert.deepEqual([...read, canvas.name, choice.name, choice.value],
                     [words.hint, true, true, words.description, words.canvas, words.language, chosen ? words.name : words.browser],
                     `${when}: the hint, whether it and the choice are shown, the description, and the accessible names and value`);
  }

  // axe-core's findings on the page as it is now.
  async accessibilityViolations() {
    await this.page.evaluate(AXE);
    const { violations } = await this.page.evaluate(() => axe.run());
    return violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
  }

  // A language chosen on the page, or '' for the browser's, which may move
  // the canvas. The other languages are offered once the first frame is
  // shown.
  async choose(tag) {
    await this.page.waitForSelector(`#language option[value="${tag}"]`);
    await this.page.select('#language', tag);
    this.rect = await placeCanvas(this.page);
  }

  // The program takes input, and the canvas's place on the page is known.
  async started() {
    await this.page.waitForFunction(programStarted);
    this.rect = await placeCanvas(this.page, 512 * this.css);
  }

  // The page opened again, as a user starts it again.
  async restart() {
    await this.page.reload({ waitUntil: 'load' });
    await this.started();
  }

  // The page opened afresh, as on a first visit, with nothing stored; see
  // `visit` for `prepare`.
  async firstVisit(prepare) {
    await this.page.close();
    await this.visit(await (await this.browser.createBrowserContext()).newPage(), prepare);
  }

  // A press on a fresh window makes its dot, around scene (100, 284).
  async makesADot(when) {
    await this.eventually(0, 0, WHITE);
    await this.click(100, 100);
    for (const [x, y] of [[98, 97], [102, 101]])
      await this.eventually(x, y, BLACK).catch((e) => assert.fail(`${when}: ${e.message}`));
  }

  async saysItCannotLoad() {
    await this.page.waitForSelector('#message:not([hidden])');
    assert.match(await this.page.$eval('#message', (m) => m.textContent), /could not be loaded/);
    assert.ok(await this.page.$eval('#frame', (f) => f.hidden), 'the blank canvas is still shown');
  }

  // The network gone: no new connections, and none kept open.
  stopServer() {
    this.server.close();
    this.server.closeAllConnections();
  }

  async close() {
    await this.browser?.close();
    this.server?.close();
    assert.deepEqual(this.errors, [], 'the page reported errors');
  }

  // Scene (window) coordinates, origin top left, to the page's.
  at(x, y) { return [this.rect[0] + x * this.css, this.rect[1] + y * this.css]; }
  moveTo(x, y) { return this.page.mouse.move(...this.at(x, y)); }
  button(name, down) { return down ? this.page.mouse.down({ button: name }) : this.page.mouse.up({ button: name }); }
  async click(x, y, name = 'left') {
    await this.moveTo(x, y);
    await this.button(name, true);
    await this.button(name, false);
  }

  // Every finger on the screen, by identifier, as the protocol wants them.
  fingers = new Map();
  touch(type, id, x, y) {
    if (type === 'touchEnd')
      this.fingers.delete(id);
    else
      this.fingers.set(id, this.at(x, y));
    const touchPoints = [...this.fingers].map(([i, [px, py]]) => ({ id: i, x: px, y: py }));
    return this.cdp.send('Input.dispatchTouchEvent', { type, touchPoints });
  }

  async grab() {
    const clip = canvasClip(this.rect, this.view.deviceScaleFactor);
    const { data } = await this.cdp.send('Page.captureScreenshot', { format: 'png', clip });
    return PNG.sync.read(Buffer.from(data, 'base64'));
  }

  // The colour of scene pixel (x, y), from its first screenshot pixel.
  colourAt(frame, x, y) {
    const i = ((y * this.scale) * frame.width + x * this.scale) * 4;
    return [...frame.data.subarray(i, i + 3)];
  }

  // Every screenshot pixel of scene pixel (x, y) must be exactly `colour`.
  pixelIs(frame, x, y, colour) {
    for (let dy = 0; dy < this.scale; ++dy)
      for (let dx = 0; dx < this.scale; ++dx) {
        const i = ((y * this.scale + dy) * frame.width + x * this.scale + dx) * 4;
        const seen = [...frame.data.subarray(i, i + 3)];
        if (seen.join() !== colour.join())
          return `pixel (${x}, ${y}): expected ${describe(colour)}, observed ${describe(seen)}`;
      }
    return null;
  }

  async eventually(x, y, colour) {
    let failure;
    for (let i = 0; i < POLL_TRIES; ++i, await new Promise((r) => setTimeout(r, 50)))
      if (!(failure = this.pixelIs(await this.grab(), x, y, colour)))
        return;
    assert.fail(failure);
  }

  // On a white window, a drag from scene (100, 100) to (300, 100) shows its
  // edge and the release's dot.
  async drawsAnEdge() {
    await this.eventually(0, 0, WHITE);
    await this.moveTo(100, 284);
    await this.button('left', true);
    await this.moveTo(300, 284);
    await this.button('left', false);
    await this.eventually(200, 284, BLACK);
    await this.eventually(302, 281, BLACK);
  }

  // Nothing is blended or smoothed: every pixel is one of `colours`.
  async onlyColours(colours) {
    const frame = await this.grab();
    for (let y = 0; y < 384; ++y)
      for (let x = 0; x < 512; ++x)
        if (colours.every((c) => this.pixelIs(frame, x, y, c)))
          assert.fail(`pixel (${x}, ${y}) is none of ${colours.map(describe).join(' ')}: ` +
                      this.pixelIs(frame, x, y, colours[0]));
  }
}

async function withPage(view, scale, body, args = [], languages = null) {
  const p = new Page();
  try {
    await p.open(view, scale, args, languages);
    await body(p);
  } catch (e) {
    // What failed first is reported, not the page's errors that followed.
    await p.close().catch(() => {});
    throw e;
  }
  await p.close();
}

const check = (failure) => assert.equal(failure, null);

for (const deviceScaleFactor of [1, 2]) {
  test(`draws and fills a polygon with the mouse at device pixel ratio ${deviceScaleFactor}`, { timeout: 900000 },
       () => withPage({ width: 800, height: 600, deviceScaleFactor }, deviceScaleFactor, async (p) => {
    assert.equal(await p.page.title(), 'polysketch');
    const icon = await p.page.$eval('link[rel=icon]', (l) => l.href);
    const served = await fetch(icon);
    assert.equal(served.headers.get('content-type'), 'image/svg+xml', `the icon at ${icon}`);
    assert.equal(await served.text(), await readFile(new URL('../data/org.polysketch.Polysketch.svg', import.meta.url), 'utf8'));
    await p.eventually(0, 0, WHITE);
    await p.onlyColours([WHITE]);

    await p.moveTo(100, 284); // scene (100, 100)
    await p.button('left', true);
    await p.eventually(98, 281, BLACK); // the first press's dot, centred on the vertex
    const dot = await p.grab();
    for (const [x, y, c] of [[98, 281, BLACK], [102, 285, BLACK], [97, 283, WHITE], [103, 283, WHITE]])
      check(p.pixelIs(dot, x, y, c));
    await p.moveTo(100, 184); // band straight up to scene (100, 200)
    await p.eventually(99, 233, BLACK);
    await p.moveTo(300, 284); // band along the bottom to scene (300, 100)
    await p.eventually(200, 284, BLACK);
    await p.eventually(99, 233, WHITE); // the previous band is gone
    await p.button('left', false);
    await p.eventually(302, 281, BLACK); // the release's dot

    await p.moveTo(300, 284);
    await p.button('left', true);
    await p.moveTo(300, 334); // the band down through the dot inverts it
    await p.eventually(299, 285, WHITE);
    await p.moveTo(300, 134); // scene (300, 250)
    await p.eventually(299, 285, BLACK);
    await p.button('left', false);
    await p.click(100, 134); // scene (100, 250)
    await p.click(0, 0, 'right'); // closes the rectangle; no menu opens
    await p.eventually(200, 208, RED);
    const frame = await p.grab();
    check(p.pixelIs(frame, 200, 284, BLACK)); // bottom edge, below the fill
    check(p.pixelIs(frame, 99, 208, BLACK)); // closing edge, left of it
    check(p.pixelIs(frame, 98, 285, BLACK)); // dots' outer corners
    check(p.pixelIs(frame, 302, 131, BLACK));
    check(p.pixelIs(frame, 302, 285, BLACK));
    check(p.pixelIs(frame, 400, 100, WHITE));
    await p.onlyColours([WHITE, BLACK, RED]);

    await p.click(400, 300); // the next polygon starts on a clear window
    await p.eventually(200, 208, WHITE);
    check(p.pixelIs(await p.grab(), 402, 301, BLACK));
  }));
}

// A polygon drawn with keys: Space held (and held long enough to repeat
// mid-drag), arrows by one and with Shift by ten, a drag pushed against the
// window's top edge, and Enter to close it.
const shifted = (key, n) => Array(n).fill(`Shift+${key}`);
const KEYED = [' ', ...shifted('ArrowLeft', 10), 'ArrowLeft', 'ArrowLeft', 'ArrowLeft', 'Space up',
               ' ', ...shifted('ArrowDown', 8), 'ArrowRight', 'Space up',
               ' ', 'ArrowRight', ' ', ...shifted('ArrowRight', 15), 'Space up', ' ', ...shifted('ArrowUp', 30), 'Space up',
               'Enter'];
const STEPS = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };

async function drawByKeys(p, keys = KEYED) {
  for (const k of keys)
    if (k === ' ')
      await p.page.keyboard.down(' ');
    else if (k === 'Space up')
      await p.page.keyboard.up(' ');
    else if (k.startsWith('Shift+')) {
      await p.page.keyboard.down('Shift');
      await p.page.keyboard.press(k.slice(6));
      await p.page.keyboard.up('Shift');
    } else
      await p.page.keyboard.press(k);
}

// The same presses, moves and releases with the mouse, from the centre;
// half-way, in the middle of a drag, `midway` is run.
async function drawByMouse(p, midway) {
  let at = [256, 192], held = false;
  await p.moveTo(...at);
  for (const [i, k] of KEYED.entries()) {
    if (i === KEYED.length >> 1)
      await midway();
    if (k === ' ' && !held) {
      held = true;
      await p.button('left', true);
    } else if (k === 'Space up') {
      held = false;
      await p.button('left', false);
    } else if (k === 'Enter') {
      await p.button('right', true);
      await p.button('right', false);
    } else if (k !== ' ') {
      const [step, by] = k.startsWith('Shift+') ? [STEPS[k.slice(6)], 10] : [STEPS[k], 1];
      at = [Math.min(511, Math.max(0, at[0] + step[0] * by)), Math.min(383, Math.max(0, at[1] + step[1] * by))];
      await p.moveTo(...at);
    }
  }
}

// A window just tall enough for the drawing area and its frame, and so
// shorter than the page, which an arrow or Space would scroll were the keys
// not kept from the page; resolves to a check that nothing has scrolled.
async function shortWindow(p) {
  const bottom = Math.ceil(p.rect[1] + p.rect[2] * 3 / 4) + 1;
  await p.page.setViewport({ ...p.view, height: bottom });
  assert.ok(await p.page.evaluate(() => document.documentElement.scrollHeight > innerHeight), 'the page fits its window');
  await p.page.evaluate(() => addEventListener('scroll', () => { window.scrolled = true; }));
  return async () => assert.equal(await p.page.evaluate(() => window.scrolled ?? false), false, 'the keys scrolled the page');
}

// In Arabic, written right to left, the page is mirrored but the drawing
// area is not: the keys draw there what the mouse draws in English, and a
// switch to Arabic in the middle of a drag keeps the drawing as it is.
test('draws with the keyboard exactly what the same steps draw with the mouse, in Arabic as in English', { timeout: 900000 },
     () => withPage({ width: 1280, height: 800, deviceScaleFactor: 1 }, 1, async (p) => {
    assert.deepEqual(await p.shown(), ['ar', 'rtl', []]);
    const neverScrolled = await shortWindow(p);
    await p.eventually(0, 0, WHITE);
    for (const id of ['language', 'canvas']) {
      await p.page.keyboard.press('Tab');
      assert.equal(await p.page.evaluate(() => document.activeElement.id), id, `Tab does not reach #${id}`);
    }
    assert.notEqual(p.pixelIs(await p.grab(), 256, 186, WHITE), null, 'no pointer is shown at the centre');
    await drawByKeys(p);
    await p.eventually(250, 250, RED);
    await neverScrolled();
    await p.page.evaluate(() => document.activeElement.blur());
    await p.eventually(256, 186, WHITE);
    const keyed = await p.grab();

    await p.page.setViewport(p.view);
    await p.speak('en');
    await p.page.reload({ waitUntil: 'load' });
    await p.started();
    assert.equal((await p.shown())[0], 'en');
    await drawByMouse(p, () => p.choose('ar'));
    assert.deepEqual(await p.shown(), ['ar', 'rtl', []]);
    await p.eventually(250, 250, RED);
    const drawn = await p.grab();
    for (let y = 0; y < 384; ++y)
      for (let x = 0; x < 512; ++x)
        check(p.pixelIs(keyed, x, y, p.colourAt(drawn, x, y)));

    // Focus leaving with Space held lets the button go, placing a vertex:
    // a plain move of the mouse then drags no band, and Enter closes a
    // triangle once the move has been handled.
    await p.page.focus('canvas');
    for (const k of [' ', ...shifted('ArrowRight', 5), 'Space up', ' ', ...shifted('ArrowDown', 5)])
      await drawByKeys(p, [k]);
    await p.page.evaluate(() => document.activeElement.blur());
    await p.page.keyboard.up(' ');
    await p.moveTo(100, 100);
    await p.page.focus('canvas');
    await p.page.keyboard.press('Enter');
    await p.eventually(296, 200, RED);
    const after = await p.grab();
    for (let y = 145; y <= 147; ++y) // about half-way from (306, 192) to (100, 100)
      for (let x = 202; x <= 204; ++x)
        check(p.pixelIs(after, x, y, WHITE));
  }, [], 'ar'));

// What a browser may do to the page beside its languages, before the
// page's scripts run: list no languages, naming only one; keep nothing,
// throwing instead, as storage does where cookies are blocked; keep a
// choice of a language that is no longer offered; and, on a slow network,
// read the page's last bytes only after its first frame, once the whole
// choice of language is offered.
const noLanguageList = (page) => page.evaluateOnNewDocument(() =>
  Object.defineProperty(Navigator.prototype, 'languages', { get: () => [] }));
const storageThrows = (page) => page.evaluateOnNewDocument(() =>
  Object.defineProperty(window, 'localStorage', { get() { throw new DOMException('The operation is insecure.', 'SecurityError'); } }));
const WITHDRAWN = 'tlh';
const choiceWithdrawn = (page) => page.evaluateOnNewDocument((tag) => localStorage.setItem('polysketch-language', tag), WITHDRAWN);
async function readLate(page, server) {
  const reading = [];
  server.fault = { kind: 'late', only: /\/index\.html$/, until: () => new Promise((resolve) => reading.push(resolve)) };
  await page.exposeFunction('allOffered', () => reading.splice(0).forEach((resolve) => resolve()));
  await page.evaluateOnNewDocument(() => {
    const look = () => document.getElementById('language')?.length > 2 ? allOffered() : requestAnimationFrame(look);
    requestAnimationFrame(look);
  });
}

// Browser settings, each with the language that the page must speak from
// its first frame: by whole tag, by language, by script before region, the
// next one where the first is not offered, and English where none is; and
// some with what else the browser does, which must leave a page that works.
const SETTINGS = [['en-US,en', 'en'], ['ar', 'ar'], ['de-AT,de', 'de'], ['es-419', 'es'], ['fr-CA', 'fr'],
                  ['ja', 'ja'], ['ko-KR', 'ko'], ['pt-PT,en', 'pt-BR'], ['ru', 'ru'], ['zh-CN', 'zh-Hans'],
                  ['zh-SG', 'zh-Hans'], ['zh', 'zh-Hans'], ['zh-Hans-TW', 'zh-Hans'], ['zh-Hans-HK,en', 'zh-Hans'],
                  ['zh-TW,ja', 'ja'], ['zh-Hant-CN,ko', 'ko'], ['tlh,x-private', 'en'],
                  ['de-CH,fr', 'de', noLanguageList], ['ja', 'ja', storageThrows], ['ar', 'ar', choiceWithdrawn], ['ko', 'ko', readLate]];
// Where axe-core must find nothing: a language written right to left, one
// in CJK script and one with long words.
const AXED = ['ar', 'ja', 'de'];

test('speaks the language that the browser asks for from the first frame, all in view, and the one chosen', { timeout: 900000 },
     () => withPage({ width: 390, height: 844, deviceScaleFactor: 1, isMobile: true }, 1, async (p) => {
    const tags = Object.keys(CATALOGUED);
    assert.ok(!tags.includes(WITHDRAWN), `${WITHDRAWN} is offered`);
    for (const [languages, tag, prepare] of SETTINGS) {
      const when = `the browser set to ${languages}${prepare ? `, and ${prepare.name}` : ''}`;
      p.languages = languages;
      await p.firstVisit(prepare);
      await p.page.waitForFunction(programStarted);
      await p.speaks(tag, false, when);
      for (const view of [p.view, { width: 1280, height: 800, deviceScaleFactor: 1 }]) {
        await p.page.setViewport(view);
        assert.ok(await p.page.evaluate(() => document.documentElement.scrollWidth <= innerWidth &&
                                              document.documentElement.scrollHeight <= innerHeight),
                  `${when}: the page is not all in view at ${view.width}`);
        if (AXED.includes(tag) && !prepare)
          assert.deepEqual(await p.accessibilityViolations(), [], `axe-core in ${tag} at ${view.width}`);
      }
      // A fault of the network lasts through both views: the second, not
      // a phone's, opens the page again.
      p.server.fault = null;
      // Another language chosen, and then the browser's again.
      const other = tags[(tags.indexOf(tag) + 1) % tags.length];
      await p.choose(other);
      await p.speaks(other, true, `${when}, ${other} chosen`);
      await p.choose('');
      await p.speaks(tag, false, `${when}, the browser's language chosen again`);
      if (prepare) {
        await p.started();
        await p.makesADot(when);
      }
    }
  }));

test('draws, closes and fills with fingers on a phone narrower than the canvas', { timeout: 900000 },
     // At 256 CSS pixels wide and density 2 a scene pixel is one screen
     // pixel; 540 high holds the page down to the canvas's foot, whichever
     // language the choice of language's widest option is in.
     () => withPage({ width: 256, height: 540, deviceScaleFactor: 2, isMobile: true, hasTouch: true }, 1,
                    async (p) => {
    await p.eventually(0, 0, WHITE);
    await p.touch('touchStart', 0, 100, 284); // one finger: scene (100, 100)
    await p.touch('touchMove', 0, 300, 284);
    await p.eventually(200, 284, BLACK);
    await p.touch('touchEnd', 0);
    await p.eventually(302, 285, BLACK);
    await p.touch('touchStart', 0, 300, 134); // scene (300, 250)
    await p.touch('touchEnd', 0);
    // A finger on the last vertex, then a second one: the right button.
    await p.touch('touchStart', 0, 300, 134);
    await p.touch('touchStart', 1, 50, 50);
    await p.eventually(250, 250, RED);
    // The first finger still drags its band, now over the fill.
    await p.touch('touchMove', 0, 300, 200);
    await p.eventually(299, 170, CYAN);
    await p.touch('touchMove', 0, 300, 150);
    await p.eventually(299, 190, RED);
    await p.touch('touchEnd', 1);
    await p.touch('touchEnd', 0);
    await p.onlyColours([WHITE, BLACK, RED, CYAN]);
  }));

// A copy of the site with `changes`, each a file's name and a change of its
// text.
async function changedSite(changes) {
  const copy = await mkdtemp(join(tmpdir(), 'polysketch-changed-'));
  await cp(site, copy, { recursive: true });
  for (const [file, change] of Object.entries(changes))
    await writeFile(join(copy, file), change(await readFile(join(copy, file), 'utf8')));
  return copy;
}

// The site with a second build beside it: a copy whose page and worker say
// so.
const secondBuild = () => changedSite({
  'index.html': (t) => t.replace('<h1>Polysketch</h1>', '<h1>Polysketch, second build</h1>'),
  'service-worker.js': (t) => t.replace(/'polysketch-(\w+)'/, "'polysketch-$1-second'"),
});

// The browser's check for a new build, made now rather than when it gets
// round to it; resolves once the build it finds is stored or dropped.
const checkForUpdate = (p) => p.page.evaluate(async () => {
  const registration = await navigator.serviceWorker.getRegistration();
  await registration.update();
  while (registration.installing)
    await new Promise((resolve) => setTimeout(resolve, 50));
});

// Which build this start runs.
const build = async (p) => ((await p.page.$eval('h1', (h) => h.textContent)).endsWith('second build') ? 'second' : 'first');

test('installs as an app, and opens from its one build whatever the network does', { timeout: 900000 },
     () => withPage({ width: 800, height: 600, deviceScaleFactor: 1 }, 1, async (p) => {
    const sizes = await Promise.all((await readdir(site)).map(async (f) => (await stat(join(site, f))).size));
    assert.ok(sizes.reduce((a, b) => a + b) <= 100 * 1024, `the site weighs ${sizes.reduce((a, b) => a + b)} bytes`);
    assert.match(await p.page.$eval('meta[name=description]', (m) => m.content), /polygon/);
    assert.match(await p.page.$eval('canvas', (c) => c.getAttribute('aria-label')), /Drawing area/);
    const { installabilityErrors } = await p.cdp.send('Page.getInstallabilityErrors');
    assert.deepEqual(installabilityErrors, []);
    await p.page.waitForFunction(() => navigator.serviceWorker.controller !== null);

    // Each start must draw, from the stored build, whatever the server does.
    for (const kind of ['reset', 'hang', 503, 404, 'cut']) {
      p.server.fault = { kind };
      await p.restart();
      await p.makesADot(`with the server's fault '${kind}'`);
      assert.equal(await build(p), 'first');
    }

    // A request left hanging, such as the browser's own check for a new
    // build, fails now rather than holding up every check after it.
    p.server.closeAllConnections();

    // A second build whose page is cut off half-way is never taken.
    p.server.site = await secondBuild();
    p.server.fault = { kind: 'cut', only: /\.html$/ };
    for (let i = 0; i < 2; ++i) {
      const faulted = p.server.faulted;
      await p.restart();
      await checkForUpdate(p);
      assert.ok(p.server.faulted > faulted, 'the second build was never tried');
      await p.makesADot('with the second build half served');
      assert.equal(await build(p), 'first');
    }
    // Served whole, it is taken: the page that runs says so quietly and runs
    // on, and the next start opens the second build.
    p.server.fault = null;
    await checkForUpdate(p);
    await p.page.waitForFunction(() => document.getElementById('update').textContent !== '');
    assert.equal(await build(p), 'first');
    await p.restart();
    assert.equal(await build(p), 'second');
    await p.makesADot('in the second build');
    // So is a build that takes over later, here the first one served anew.
    p.server.site = site;
    await checkForUpdate(p);
    await p.page.waitForFunction(() => document.getElementById('update').textContent !== '');
    assert.equal(await build(p), 'second');
    await p.makesADot('with the first build taken over');
    await p.restart();
    assert.equal(await build(p), 'first');

    // Offline, in whichever language the browser asks for, and in any other
    // chosen on the page, which the next start keeps until the browser's
    // language is chosen again.
    p.stopServer();
    await p.speak('ja');
    await p.restart();
    assert.equal(await build(p), 'first');
    await p.speaks('ja', false, 'offline');
    await p.choose('ar');
    await p.speaks('ar', true, 'offline, Arabic chosen');
    await p.drawsAnEdge();
    await p.restart();
    await p.speaks('ar', true, 'offline, Arabic chosen before the start');
    await p.choose('');
    await p.restart();
    await p.speaks('ja', false, "offline, the browser's language chosen before the start");
  }));

test('draws where the browser has no WebGL, and says why where the program cannot load', { timeout: 900000 },
     () => withPage({ width: 800, height: 600, deviceScaleFactor: 1 }, 1, async (p) => {
    await p.drawsAnEdge();

    // A browser without WebAssembly, or that refuses it, is told why.
    await p.firstVisit((page) => page.evaluateOnNewDocument(() => { delete window.WebAssembly; }));
    await p.saysItCannotLoad();

    // Without JavaScript, the sentence that it is needed stands in every
    // language, each in its own language and direction.
    await p.firstVisit((page) => page.setJavaScriptEnabled(false));
    assert.deepEqual(await p.page.$$eval('noscript p', (ps) => ps.map((e) =>
      [e.lang, getComputedStyle(e).direction, e.textContent, e.checkVisibility()])),
                     Object.entries(CATALOGUED).map(([tag, w]) => [tag, w.dir, w.noScript, true]));

    // The page's words are shown in the browser's language, and never left
    // hidden, even where its script meets an element that is missing.
    p.languages = 'de';
    p.server.site = await changedSite({ 'index.html': (t) => t.replace(/<meta name="description"[^>]*>/, '') });
    await p.firstVisit();
    await p.page.waitForFunction(programStarted);
    assert.deepEqual(await p.shown(), ['de', 'ltr', []]);
    assert.deepEqual(await p.page.$eval('#hint', (h) => [h.textContent, h.checkVisibility({ visibilityProperty: true })]),
                     [CATALOGUED.de.hint, true], 'the hint, where an element is missing');
    const thrown = p.errors.filter((e) => e.startsWith('page error'));
    assert.notEqual(thrown.length, 0, 'nothing threw for the missing element');
    p.errors = p.errors.filter((e) => !thrown.includes(e));
  }, ['--disable-webgl']));
