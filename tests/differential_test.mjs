// The page against the desktop program: the same seeded random mouse
// sessions played on the real program (XTest, through xdotool) and on the
// page in Chromium (headless, DevTools input), Firefox (WebDriver BiDi) and
// WebKit (WebDriver), their pictures compared pixel for pixel at
// checkpoints. Firefox and WebKit draw in windows on a virtual display of
// their own. POLYSKETCH_PROGRAM names the desktop program and
// POLYSKETCH_WEB_SITE the site; POLYSKETCH_BROWSERS may name fewer browsers,
// and POLYSKETCH_SEED replays one session.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, execFileSync } from 'node:child_process';
import { mkdirSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import puppeteer from 'puppeteer-core';
import { PNG } from 'pngjs';
import { serve, chromium, programStarted } from './site.mjs';

const W = 512, H = 384, WINDOW_X = 256, WINDOW_Y = 192;
const SETTLE_TRIES = 100; // of 50 ms each

// A small, seedable generator (mulberry32), so that a seed replays a session.
function generator(seed) {
  return () => {
    seed = (seed + 0x6d2b79f5) | 0;
    let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
    t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

// A session: presses, releases and moves of the three buttons, in window
// pixels, each hold starting with a press inside the window, then presses
// and moves anywhere within `reach` while a button is held. Beyond a band
// around the window twice its size, Debian 12's Mesa cuts a line, which can
// move a pixel, and Debian 13's does not, as the page does not; so no reach
// goes past it. WebDriver moves the pointer only within the viewport, so
// Firefox's and WebKit's reach is the viewport's part of the band, past the
// canvas's right and bottom edges. WebKitGTK's WebDriver reports the release
// of the middle or right button as a release of the left one, so where
// `garbledReleases`, those two are released only while the left button is
// up, where the page takes the report for nothing, and what is held at the
// end is released after the last checkpoint, in `tail`.
function session(seed, events, reach, garbledReleases) {
  const random = generator(seed), pick = (a, b) => a + Math.floor(random() * (b - a + 1));
  const steps = [], held = new Set();
  const inside = () => [pick(0, W - 1), pick(0, H - 1)];
  const anywhere = () => [pick(reach[0], reach[2]), pick(reach[1], reach[3])];
  const releasable = () => [...held].filter((b) => b === 0 || !garbledReleases || !held.has(0));
  const move = (p) => steps.push({ move: p });
  const press = (button) => {
    steps.push({ press: button });
    held.add(button);
  };
  while (steps.length < events) {
    const r = random();
    const free = [0, 1, 2].filter((b) => !held.has(b));
    if (held.size === 0) {
      move(inside());
      press(r < 0.7 || free.length === 1 ? 0 : free[pick(1, free.length - 1)]);
    } else if (r < 0.62 && r >= 0.5 && free.length > 0) {
      press(free[pick(0, free.length - 1)]);
    } else if (r >= 0.62 && releasable().length > 0) {
      const button = releasable()[pick(0, releasable().length - 1)];
      steps.push({ release: button });
      held.delete(button);
    } else {
      move(random() < 0.3 ? anywhere() : inside());
    }
  }
  if (!garbledReleases)
    for (const button of held)
      steps.push({ release: button });
  return { steps, tail: garbledReleases ? [...held].map((b) => ({ release: b })) : [] };
}

// Over a hundred clicks, each one a vertex, past the list's limit.
function longSession(seed) {
  const random = generator(seed), steps = [];
  for (let i = 0; i < 110; ++i)
    steps.push({ move: [Math.floor(random() * W), Math.floor(random() * H)] }, { press: 0 }, { release: 0 });
  return { steps: [...steps, { press: 2 }], tail: [{ release: 2 }] };
}

class Desktop {
  // Found by its title, argv[0], which names this run alone.
  async open(name) {
    this.process = spawn(process.env.POLYSKETCH_PROGRAM, [], { argv0: name, stdio: 'ignore' });
    this.window = execFileSync('xdotool', ['search', '--sync', '--onlyvisible', '--name', `^${name}$`],
                               { timeout: 20000 }).toString().trim().split('\n')[0];
  }
  // Searching the display while a window goes can fail, so the next session
  // starts once this one's window has gone with its connection.
  async close() {
    if (!this.process)
      return;
    const exited = new Promise((resolve) => this.process.once('exit', resolve));
    if (this.process.kill('SIGKILL'))
      await exited;
    for (let i = 0; this.window && i < 100; ++i, await new Promise((r) => setTimeout(r, 50)))
      try {
        execFileSync('xdotool', ['getwindowname', this.window], { stdio: 'ignore' });
      } catch {
        return;
      }
  }
  // XTest input, as a user's own mouse gives it; the window sits at
  // (256, 192) on a display with no window manager.
  play(steps) {
    const args = [];
    for (const s of steps)
      if (s.move)
        args.push('mousemove', String(WINDOW_X + s.move[0]), String(WINDOW_Y + s.move[1]));
      else
        args.push(s.press !== undefined ? 'mousedown' : 'mouseup', String((s.press ?? s.release) + 1));
    if (args.length)
      execFileSync('xdotool', args, { timeout: 300000 });
  }
  // The window's pixels, read back from the X server as RGB.
  grab() {
    const xwd = execFileSync('xwd', ['-silent', '-id', this.window], { maxBuffer: 1 << 26 });
    const header = (i) => xwd.readUInt32BE(i * 4);
    const [size, width, height, bytesPerLine, colours] = [header(0), header(4), header(5), header(12), header(19)];
    const lsbFirst = header(7) === 0, bytes = header(11) / 8, data = size + colours * 12;
    const rgb = Buffer.alloc(W * H * 3);
    for (let y = 0; y < Math.min(H, height); ++y)
      for (let x = 0; x < Math.min(W, width); ++x) {
        const i = data + y * bytesPerLine + x * bytes, v = lsbFirst ? xwd.readUInt32LE(i) : xwd.readUInt32BE(i);
        rgb.set([(v >> 16) & 255, (v >> 8) & 255, v & 255], (y * W + x) * 3);
      }
    return rgb;
  }
}

// The site on 127.0.0.1, and the virtual display that Firefox and WebKit
// draw on (headless, Firefox has no WebGL), both shared by every session.
let server, display;
before(async () => {
  server = await serve(process.env.POLYSKETCH_WEB_SITE);
  const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
                     { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
  display = { process: xvfb, name: `:${(await new Promise((resolve) => xvfb.stdio[3].once('data', resolve))).toString().trim()}` };
});
// Each browser is started once and given a fresh page for every session.
const started = {};
after(async () => {
  for (const browser of Object.values(started))
    await (await browser).close();
  server?.close();
  display?.process.kill();
});
const site = () => `http://127.0.0.1:${server.address().port}/`;
const names = ['left', 'middle', 'right'];

// Chromium and Firefox, through puppeteer.
class PuppeteerPage {
  constructor(engine) { this.engine = engine; }
  async open() {
    const browser = await (started[this.engine] ??= puppeteer.launch(this.engine === 'chromium' ? chromium() : {
      // Firefox ESR 140 cannot have its viewport set through WebDriver BiDi,
      // so its window is made larger than the viewport the sessions need.
      browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: false, timeout: 300000,
      defaultViewport: null, args: ['--width=1000', '--height=800'],
      env: { ...process.env, DISPLAY: display.name },
    }));
    this.page = await browser.newPage();
    this.page.setDefaultTimeout(300000);
    this.errors = [];
    this.page.on('pageerror', (e) => this.errors.push(e.message));
    if (this.engine === 'chromium')
      await this.page.setViewport({ width: 800, height: 650, deviceScaleFactor: 1 });
    await this.page.goto(site(), { waitUntil: 'load' });
    await this.page.waitForFunction(programStarted);
    const [width, height, ratio] = await this.page.evaluate(() => [innerWidth, innerHeight, devicePixelRatio]);
    assert.ok(width >= 800 && height >= 612 && ratio === 1, `${this.engine}'s viewport is ${width} x ${height} at ${ratio}`);
  }
  async close() { await this.page?.close(); }
  async play(steps) {
    for (const s of steps)
      if (s.move)
        await this.page.mouse.move(...s.move);
      else if (s.press !== undefined)
        await this.page.mouse.down({ button: names[s.press] });
      else
        await this.page.mouse.up({ button: names[s.release] });
  }
  async grab() {
    return rgbOf(PNG.sync.read(Buffer.from(await this.page.screenshot({ clip: { x: 0, y: 0, width: W, height: H } }))));
  }
}

// WebKit, through its own WebDriver and MiniBrowser, by the protocol itself.
class WebKitPage {
  errors = [];
  static async launch() {
    const port = 20000 + Math.floor(Math.random() * 20000);
    const browser = { base: `http://127.0.0.1:${port}`, call: WebKitPage.prototype.call };
    browser.driver = spawn('WebKitWebDriver', [`--port=${port}`], { stdio: 'ignore', env: { ...process.env, DISPLAY: display.name } });
    for (let i = 0; !browser.session; ++i)
      try {
        browser.session = (await browser.call('POST', '/session', { capabilities: { alwaysMatch: { 'webkitgtk:browserOptions': {
          binary: '/usr/lib/' + execFileSync('dpkg-architecture', ['-qDEB_HOST_MULTIARCH']).toString().trim() +
                  '/webkit2gtk-4.1/MiniBrowser', args: ['--automation'] } } } })).sessionId;
      } catch (e) {
        if (i > 100)
          throw e;
        await new Promise((r) => setTimeout(r, 100));
      }
    await browser.call('POST', `/session/${browser.session}/window/rect`, { width: 800, height: 650 });
    browser.close = async () => {
      await browser.call('DELETE', `/session/${browser.session}`);
      browser.driver.kill();
    };
    return browser;
  }
  // Loading the site again starts the program afresh.
  async open() {
    ({ base: this.base, session: this.session } = await (started.webkit ??= WebKitPage.launch()));
    await this.call('POST', `/session/${this.session}/url`, { url: site() });
    const script = `return (${programStarted})();`;
    while (!(await this.call('POST', `/session/${this.session}/execute/sync`, { script, args: [] })))
      await new Promise((r) => setTimeout(r, 50));
  }
  async call(method, path, body) {
    const response = await fetch(this.base + path, { method, headers: { 'Content-Type': 'application/json' },
                                                    body: body && JSON.stringify(body) });
    const { value } = await response.json();
    if (!response.ok)
      throw new Error(`${method} ${path}: ${value.message}`);
    return value;
  }
  async close() {}
  play(steps) {
    const actions = steps.map((s) => (s.move ? { type: 'pointerMove', x: s.move[0], y: s.move[1], origin: 'viewport' }
      : { type: s.press !== undefined ? 'pointerDown' : 'pointerUp', button: s.press ?? s.release }));
    return actions.length && this.call('POST', `/session/${this.session}/actions`,
      { actions: [{ type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' }, actions }] });
  }
  // Its screenshot of a WebGL canvas alone comes out black on Xvfb; the
  // whole viewport's is right, and the canvas is its top-left corner.
  async grab() {
    return rgbOf(PNG.sync.read(Buffer.from(await this.call('GET', `/session/${this.session}/screenshot`), 'base64')));
  }
}

// The top-left W x H pixels of a decoded PNG, as RGB.
function rgbOf(png) {
  const rgb = Buffer.alloc(W * H * 3);
  for (let y = 0; y < H; ++y)
    for (let x = 0; x < W; ++x)
      rgb.set(png.data.subarray((y * png.width + x) * 4, (y * png.width + x) * 4 + 3), (y * W + x) * 3);
  return rgb;
}

const differences = (a, b) => {
  const at = [];
  for (let i = 0; i < W * H; ++i)
    if (a[i * 3] !== b[i * 3] || a[i * 3 + 1] !== b[i * 3 + 1] || a[i * 3 + 2] !== b[i * 3 + 2])
      at.push(i);
  return at;
};

function save(name, rgb, mark) {
  const png = new PNG({ width: W, height: H });
  for (let i = 0; i < W * H; ++i)
    png.data.set(mark ? (mark.has(i) ? [255, 0, 255, 255] : [255, 255, 255, 255]) : [...rgb.subarray(i * 3, i * 3 + 3), 255], i * 4);
  mkdirSync('differential', { recursive: true });
  writeFileSync(join('differential', name), PNG.sync.write(png));
}

// Both draw asynchronously, so the two pictures are read until they agree,
// or until the differences have stayed for five seconds.
async function compare(desktop, page, label, checkpoint) {
  let expected, observed, at;
  for (let i = 0; i < SETTLE_TRIES; ++i, await new Promise((r) => setTimeout(r, 50)))
    if ((at = differences(expected = await page.grab(), observed = desktop.grab())).length === 0)
      return;
  const name = `${label}-checkpoint-${checkpoint}`;
  save(`${name}-desktop.png`, observed);
  save(`${name}-page.png`, expected);
  save(`${name}-difference.png`, null, new Set(at));
  const show = (i) => `(${i % W}, ${Math.floor(i / W)}): desktop (${[...observed.subarray(i * 3, i * 3 + 3)]}), ` +
                      `page (${[...expected.subarray(i * 3, i * 3 + 3)]})`;
  assert.fail(`${label}, checkpoint ${checkpoint}: ${at.length} pixels differ, first at ${at.slice(0, 5).map(show).join('; ')}` +
              `; pictures in ${join(process.cwd(), 'differential')}`);
}

const engines = {
  chromium: { page: () => new PuppeteerPage('chromium'), reach: [-200, -150, W + 150, H + 120] },
  firefox: { page: () => new PuppeteerPage('firefox'), reach: [0, 0, 2 * W - 257, 3 * H / 2 - 1] },
  webkit: { page: () => new WebKitPage(), reach: [0, 0, 2 * W - 257, 3 * H / 2 - 1], garbledReleases: true },
};
const seeds = process.env.POLYSKETCH_SEED ? [Number(process.env.POLYSKETCH_SEED)]
                                          : Array.from({ length: 13 }, (_, i) => 1000 + i);
const browsers = (process.env.POLYSKETCH_BROWSERS ?? Object.keys(engines).join()).split(',');
for (const [engine, how] of Object.entries(engines).filter(([name]) => browsers.includes(name)))
  for (const seed of seeds)
    test(`${engine}: session ${seed} draws the desktop's pixels`, { timeout: 600000 }, async () => {
      const { steps, tail } = seed % 13 === 12 ? longSession(seed) : session(seed, 40 + (seed % 5) * 10, how.reach, how.garbledReleases);
      const label = `${engine} seed ${seed} (replay with POLYSKETCH_SEED=${seed})`;
      const desktop = new Desktop(), page = how.page();
      try {
        await desktop.open(`polysketch-${engine}-${seed}-${process.pid}`);
        await page.open();
        const white = { grab: async () => Buffer.alloc(W * H * 3, 255) };
        await compare(desktop, white, label, 0);
        await compare(desktop, page, label, 0);
        const third = Math.ceil(steps.length / 3);
        for (let k = 1; k <= 3; ++k) {
          const part = steps.slice((k - 1) * third, k * third);
          desktop.play(part);
          await page.play(part);
          await compare(desktop, page, label, k);
        }
        desktop.play(tail);
        await page.play(tail);
        assert.deepEqual(page.errors, []);
      } finally {
        await desktop.close();
        await page.close();
      }
    });
