// The page against the desktop program: the same seeded random mouse
// sessions played on the real program and on the page in Chromium (headless,
// DevTools input), Firefox and WebKit, their pictures compared pixel for
// pixel at checkpoints. The desktop program, Firefox and WebKit take XTest
// input, through xdotool, as a user's mouse gives it; the two browsers draw
// in windows on a virtual display of their own, and WebDriver only loads the
// page and takes its pictures. Some of Chromium's sessions show the canvas
// scaled down, as on a phone. POLYSKETCH_PROGRAM names the desktop program
// and POLYSKETCH_WEB_SITE the site; POLYSKETCH_BROWSERS may name fewer
// browsers, POLYSKETCH_FAR=1 adds sessions that go far beyond the window,
// and POLYSKETCH_SEED replays one session.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, execFileSync } from 'node:child_process';
import { mkdirSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import puppeteer from 'puppeteer-core';
import { PNG } from 'pngjs';
import { serve, chromium, programStarted, placeCanvas, canvasClip } from './site.mjs';

const W = 512, H = 384;
// Where sessions go far, both virtual displays are large, and the desktop's
// window and the browsers' sit in their middle, so that the pointer can go
// several window sizes beyond the window on every side.
const FAR = process.env.POLYSKETCH_FAR === '1';
const [SCREEN, DESKTOP_X, DESKTOP_Y, BROWSER_X, BROWSER_Y] = FAR ? ['8192x6144x24', 3600, 2800, 3400, 2600]
                                                                 : ['1600x1200x24', 256, 192, 300, 200];
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

// Window pixels in the pointer units of a canvas shown `width` units wide.
const inUnits = (v, width) => Math.trunc(v * width / W);

// A session: presses, releases and moves of the three buttons, in pointer
// units, the CSS pixels of a canvas shown `width` units wide. Each hold
// starts with a press inside the canvas, then presses and moves anywhere
// within `reach` (in window pixels) while a button is held; with no button
// held, a left or middle click may also fall beside the canvas, where the
// program must not see it (a right one would open the browser's menu).
// A far session reaches three window sizes beyond the window on every
// side, and goes there more often; the others keep within a band around the
// window twice its size. Beyond that band Debian 12's Mesa cuts a line,
// which can move a pixel, where Debian 13's and the page draw it whole, so
// far sessions run only where POLYSKETCH_FAR says so. Firefox on X gives
// up the pointer when one of two held buttons is released, after which a
// press or release over its toolbar or beyond its window never reaches the
// page; where a browser `regrabs` so, the pointer then goes back over the
// page and stays there until every button is up.
// WebKitGTK, with no window manager, never ends a drag of selected text
// once it has started one, and takes every later event with it; where a
// browser `strandsDrags` so, a click beside the canvas, which could select
// the page's text or drag it, does not move while held.
function session(seed, events, width, how, far) {
  const random = generator(seed), pick = (a, b) => a + Math.floor(random() * (b - a + 1));
  const unit = (v) => inUnits(v, width), w = unit(W), h = unit(H);
  const reach = (far ? [-3 * W, -3 * H, 4 * W, 4 * H] : [-200, -150, W + 150, H + 120]).map(unit);
  const steps = [], held = new Set();
  const inside = () => [pick(0, w - 1), pick(0, h - 1)];
  let confined = false;
  const anywhere = () => [pick(confined ? 0 : reach[0], reach[2]), pick(confined ? 0 : reach[1], reach[3])];
  const near = [W + 150, H + 120].map(unit);
  const beside = () => (random() < 0.5 ? [pick(w + 5, near[0]), pick(0, h - 1)] : [pick(0, w - 1), pick(h + 5, near[1])]);
  const move = (p) => steps.push({ move: p });
  const press = (button) => {
    steps.push({ press: button });
    held.add(button);
  };
  while (steps.length < events) {
    const r = random();
    const free = [0, 1, 2].filter((b) => !held.has(b));
    confined &&= held.size > 0;
    if (held.size === 0 && r < 0.15) {
      const button = pick(0, 1);
      move(beside());
      steps.push({ press: button });
      if (random() < 0.5 && !how.strandsDrags)
        move(beside());
      steps.push({ release: button });
    } else if (held.size === 0) {
      move(inside());
      press(r < 0.7 || free.length === 1 ? 0 : free[pick(1, free.length - 1)]);
    } else if (r < 0.62 && r >= 0.5 && free.length > 0) {
      press(free[pick(0, free.length - 1)]);
    } else if (r >= 0.62) {
      const button = [...held][pick(0, held.size - 1)];
      steps.push({ release: button });
      held.delete(button);
      // Presses beyond its window would now miss the page as well, so the
      // pointer goes back over it at once.
      confined = how.regrabs && held.size > 0;
      if (confined)
        move(inside());
    } else {
      move(random() < (far ? 0.6 : 0.3) ? anywhere() : inside());
    }
  }
  for (const button of held)
    steps.push({ release: button });
  return { steps, tail: [] };
}

// Over a hundred clicks, each one a vertex, past the list's limit.
function longSession(seed, width) {
  const random = generator(seed), steps = [], w = inUnits(W, width), h = inUnits(H, width);
  for (let i = 0; i < 110; ++i)
    steps.push({ move: [Math.floor(random() * w), Math.floor(random() * h)] }, { press: 0 }, { release: 0 });
  return { steps: [...steps, { press: 2 }], tail: [{ release: 2 }] };
}

// Triangles with a corner far beyond the window, each with a pixel whose
// centre lies on an edge or within 1/256 of a pixel of one: it goes the
// other way unless the page cuts the triangle where the desktop's Mesa does.
// Each is drawn and closed by itself, the close pressed back inside the
// window, so that a third of the session ends just after each fill; the
// steps are in window pixels.
const EDGE_TRIANGLES = [[[12, 371], [15, 371], [-300, 347]], [[280, 369], [360, 352], [630, -1058]],
                        [[108, 259], [239, 186], [1977, 756]]];
function edgeSession() {
  const steps = [];
  for (const [a, b, c] of EDGE_TRIANGLES)
    steps.push({ move: a }, { press: 0 }, { move: b }, { release: 0 },
               { press: 0 }, { move: c }, { release: 0 }, { move: a }, { press: 2 }, { release: 2 });
  return { steps, tail: [] };
}

// XTest input on an X display, the pointer at `origin` plus each move
// mapped by `map`; every step is one xdotool command.
function xtest(display, steps, origin, map = (v) => v) {
  const args = [];
  for (const s of steps)
    if (s.move)
      args.push('mousemove', String(origin[0] + map(s.move[0])), String(origin[1] + map(s.move[1])));
    else
      args.push(s.press !== undefined ? 'mousedown' : 'mouseup', String((s.press ?? s.release) + 1));
  if (args.length)
    execFileSync('xdotool', args, { timeout: 300000, env: { ...process.env, DISPLAY: display } });
}

// The desktop program on a display of its own.
class Desktop {
  // Found by its title, argv[0], which names this run alone, and moved to
  // the middle of the screen: there is no window manager to object.
  async open(name) {
    this.env = { ...process.env, DISPLAY: desk.name };
    this.process = spawn(process.env.POLYSKETCH_PROGRAM, [], { argv0: name, stdio: 'ignore', env: this.env });
    this.window = execFileSync('xdotool', ['search', '--sync', '--onlyvisible', '--name', `^${name}$`],
                               { timeout: 20000, env: this.env }).toString().trim().split('\n')[0];
    execFileSync('xdotool', ['windowmove', '--sync', this.window, String(DESKTOP_X), String(DESKTOP_Y)],
                 { timeout: 20000, env: this.env });
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
        execFileSync('xdotool', ['getwindowname', this.window], { stdio: 'ignore', env: this.env });
      } catch {
        return;
      }
  }
  // The window gets the window pixel that holds the pointer of a canvas
  // shown `width` units wide.
  play(steps, width) {
    xtest(desk.name, steps, [DESKTOP_X, DESKTOP_Y], (v) => Math.floor(v * W / width));
  }
  // The window's pixels, read back from the X server as RGB.
  grab() {
    const xwd = execFileSync('xwd', ['-silent', '-id', this.window], { maxBuffer: 1 << 26, env: this.env });
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

// A virtual display of its own.
async function startDisplay() {
  const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', SCREEN, '-nolisten', 'tcp'],
                     { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
  return { process: xvfb, name: `:${(await new Promise((resolve) => xvfb.stdio[3].once('data', resolve))).toString().trim()}` };
}

// The site on 127.0.0.1, the display that Firefox and WebKit draw on in
// windows, as a user's do, and the desktop program's, all shared by every
// session.
let server, display, desk;
before(async () => {
  server = await serve(process.env.POLYSKETCH_WEB_SITE);
  display = await startDisplay();
  desk = await startDisplay();
});
const started = {};
after(async () => {
  for (const browser of Object.values(started))
    await (await browser).close();
  server?.close();
  display?.process.kill();
  desk?.process.kill();
});
const site = () => `http://127.0.0.1:${server.address().port}/`;
const names = ['left', 'middle', 'right'];

// Each browser is started once and given a fresh page for every session;
// only one is open at a time, so that no other window lies over its page.
async function only(engine, launch, windowed = true) {
  for (const name of Object.keys(started))
    if (name !== engine) {
      await (await started[name]).close();
      delete started[name];
    }
  return started[engine] ??= launch().then((browser) => {
    // Away from the screen's edges, so that the pointer can leave the page
    // on every side.
    if (windowed)
      execFileSync('xdotool', ['search', '--sync', '--onlyvisible', '--maxdepth', '1', '--name', '.',
                             'windowmove', '%@', String(BROWSER_X), String(BROWSER_Y)],
                 { timeout: 60000, env: { ...process.env, DISPLAY: display.name } });
    return browser;
  });
}

// Where the page's top-left corner lies on the browser's display, from
// moves of the pointer with no button held, which the program ignores, and
// where the page saw them. A busy browser can report a move after the next
// one, so the moves go back and forth until two seen in a row lie as far
// apart as the pointer went. `run` evaluates an expression in the page.
async function locate(run) {
  await run(`addEventListener('mousemove', (e) => { window.seenAt = [e.clientX, e.clientY]; }), true`);
  const seen = async (at) => {
    await run('window.seenAt = null');
    xtest(display.name, [{ move: at }], [0, 0]);
    for (let i = 0; i < SETTLE_TRIES; ++i, await new Promise((r) => setTimeout(r, 50))) {
      const p = await run('window.seenAt');
      if (p)
        return p;
    }
    assert.fail(`the page saw no move of the pointer to (${at})`);
  };
  const ends = [[BROWSER_X + 700, BROWSER_Y + 450], [BROWSER_X + 710, BROWSER_Y + 463]];
  let before = await seen(ends[0]);
  for (let i = 1; i < 20; ++i) {
    const [from, to] = [ends[(i + 1) % 2], ends[i % 2]], p = await seen(to);
    if (p[0] - before[0] === to[0] - from[0] && p[1] - before[1] === to[1] - from[1])
      return [to[0] - p[0], to[1] - p[1]];
    before = p;
  }
  assert.fail('the page saw the pointer nowhere it went');
}

// Chromium and Firefox, through puppeteer: Chromium headless at the given
// view, with DevTools input; Firefox in a window, with XTest input.
class PuppeteerPage {
  constructor(engine, { view, width }) {
    this.engine = engine;
    this.view = view;
    this.width = width;
  }
  async open() {
    const headless = this.engine === 'chromium';
    const browser = await only(this.engine, () => puppeteer.launch(headless ? chromium() : {
      // Firefox ESR 140 cannot have its viewport set through WebDriver BiDi,
      // so its window is made larger than the viewport the sessions need.
      browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: false, timeout: 300000,
      defaultViewport: null, args: ['--width=1000', '--height=800'],
      env: { ...process.env, DISPLAY: display.name },
    }), !headless);
    this.page = await browser.newPage();
    this.page.setDefaultTimeout(300000);
    this.errors = [];
    this.page.on('pageerror', (e) => this.errors.push(e.message));
    if (this.engine === 'chromium')
      await this.page.setViewport(this.view);
    await this.page.goto(site(), { waitUntil: 'load' });
    // Polled from here rather than by a function that the driver installs
    // in the page, which the page's policy may refuse.
    while (!(await this.page.evaluate(programStarted)))
      await new Promise((r) => setTimeout(r, 50));
    const [width, height, ratio] = await this.page.evaluate(() => [innerWidth, innerHeight, devicePixelRatio]);
    assert.ok(width >= this.view.width && height >= this.view.height - 38 && Math.fround(ratio) === Math.fround(this.view.deviceScaleFactor),
              `${this.engine}'s viewport is ${width} x ${height} at ${ratio}`);
    this.rect = await placeCanvas(this.page, headless ? this.width : undefined);
    assert.equal(this.rect[2], this.width, `${this.engine} shows the canvas ${this.rect[2]} pixels wide`);
    if (!headless) {
      const page = await locate((expression) => this.page.evaluate(expression));
      this.origin = [page[0] + this.rect[0], page[1] + this.rect[1]];
    }
  }
  async close() { await this.page?.close(); }
  async play(steps) {
    if (this.origin)
      return xtest(display.name, steps, this.origin);
    for (const s of steps)
      if (s.move)
        await this.page.mouse.move(this.rect[0] + s.move[0], this.rect[1] + s.move[1]);
      else if (s.press !== undefined)
        await this.page.mouse.down({ button: names[s.press] });
      else
        await this.page.mouse.up({ button: names[s.release] });
  }
  // In device pixels, one a scene pixel.
  async grab() {
    if (this.origin) {
      const clip = { x: this.rect[0], y: this.rect[1], width: W, height: H };
      return rgbOf(PNG.sync.read(Buffer.from(await this.page.screenshot({ clip }))));
    }
    this.cdp ??= await this.page.createCDPSession();
    const clip = canvasClip(this.rect, this.view.deviceScaleFactor);
    const { data } = await this.cdp.send('Page.captureScreenshot', { format: 'png', clip });
    return rgbOf(PNG.sync.read(Buffer.from(data, 'base64')));
  }
}

// WebKit, through its own WebDriver and MiniBrowser, by the protocol itself,
// with XTest input.
class WebKitPage {
  errors = [];
  width = W;
  static async launch() {
    const port = 20000 + Math.floor(Math.random() * 20000);
    const browser = { base: `http://127.0.0.1:${port}`, call: WebKitPage.prototype.call };
    // On its first run on a system, WebKit's media framework scans every
    // plugin it has, a slow start of its own on a busy machine that the
    // page, which plays no media, does not need.
    browser.driver = spawn('WebKitWebDriver', [`--port=${port}`],
                           { stdio: 'ignore', env: { ...process.env, DISPLAY: display.name, GST_PLUGIN_SYSTEM_PATH_1_0: '' } });
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
    ({ base: this.base, session: this.session } = await only('webkit', WebKitPage.launch));
    await this.call('POST', `/session/${this.session}/url`, { url: site() });
    const run = (expression) => this.call('POST', `/session/${this.session}/execute/sync`,
                                          { script: `return (${expression});`, args: [] });
    while (!(await run(`(${programStarted})()`)))
      await new Promise((r) => setTimeout(r, 50));
    const page = await locate(run);
    this.at = await run(`(({ left, top }) => [left, top])(document.querySelector('canvas').getBoundingClientRect())`);
    this.origin = [page[0] + this.at[0], page[1] + this.at[1]];
  }
  async call(method, path, body) {
    const response = await fetch(this.base + path, { method, headers: { 'Content-Type': 'application/json' },
                                                    body: body && JSON.stringify(body) });
    const { value } = await response.json();
    if (!response.ok)
      throw new Error(`${method} ${path}: ${value.error}: ${value.message}`);
    return value;
  }
  async close() {}
  play(steps) { xtest(display.name, steps, this.origin); }
  // The canvas, from the whole viewport's screenshot. Now and then, on a
  // busy machine, the driver answers with a bare "unknown error": its web
  // process handed back no picture. That is the browser's, not the page's,
  // so the picture is asked for again, a few times; any other answer stands.
  async grab() {
    for (let i = 0; ; ++i, await new Promise((r) => setTimeout(r, 100)))
      try {
        return rgbOf(PNG.sync.read(Buffer.from(await this.call('GET', `/session/${this.session}/screenshot`), 'base64')), this.at);
      } catch (e) {
        if (i === 9 || !/: unknown error: $/.test(e.message))
          throw e;
      }
  }
}

// The W x H pixels of a decoded PNG from `at`, its top-left corner unless
// given, as RGB.
function rgbOf(png, at = [0, 0]) {
  const rgb = Buffer.alloc(W * H * 3);
  for (let y = 0; y < H; ++y)
    for (let x = 0; x < W; ++x) {
      const i = ((at[1] + y) * png.width + at[0] + x) * 4;
      rgb.set(png.data.subarray(i, i + 3), (y * W + x) * 3);
    }
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

// Chromium's sessions show the canvas at its size, and scaled down to fit
// phones whose canvas is 384 and 320 CSS pixels wide within the page's
// margins, and whose density makes one scene pixel one screen pixel: there
// the pointer falls between scene pixels.
const views = [{ view: { width: 800, height: 650, deviceScaleFactor: 1 }, width: W },
               { view: { width: 414, height: 600, deviceScaleFactor: 4 / 3, isMobile: true }, width: 384 },
               { view: { width: 350, height: 600, deviceScaleFactor: 1.6, isMobile: true }, width: 320 }];
const engines = {
  chromium: { open: (seed) => new PuppeteerPage('chromium', views[seed % 3]) },
  firefox: { open: () => new PuppeteerPage('firefox', views[0]), regrabs: true },
  // Now and then, on a busy machine, MiniBrowser itself goes, and its
  // driver says the session was deleted: its process, not the page's, so
  // nothing the page did. A session is then played again, once, in a new
  // one; a page that brought it down would bring that one down too.
  webkit: { open: () => new WebKitPage(), strandsDrags: true, lost: (e) => /invalid session id/.test(e.message) },
};

// The browser `engine` closed, whatever state it is in, so that the next
// session starts a new one.
async function forget(engine) {
  const browser = await started[engine];
  delete started[engine];
  await browser.close().catch(() => browser.driver.kill());
}

// One session of `seed`, played on the desktop and in `engine`, compared at
// its checkpoints.
async function play(engine, how, seed) {
  const page = how.open(seed), width = page.width;
  if (seed === EDGE_SEED)
    assert.equal(width, W, 'the edge triangles need a pointer unit of one window pixel');
  const { steps, tail } = seed === EDGE_SEED ? edgeSession()
    : !far(seed) && seed % 13 === 12 ? longSession(seed, width)
    : session(seed, 40 + (seed % 5) * 10, width, how, far(seed));
  const label = `${engine} seed ${seed} (replay with POLYSKETCH_SEED=${seed})`;
  const desktop = new Desktop();
  try {
    await desktop.open(`polysketch-${engine}-${seed}-${process.pid}`);
    await page.open();
    const white = { grab: async () => Buffer.alloc(W * H * 3, 255) };
    await compare(desktop, white, label, 0);
    await compare(desktop, page, label, 0);
    const third = Math.ceil(steps.length / 3);
    for (let k = 1; k <= 3; ++k) {
      const part = steps.slice((k - 1) * third, k * third);
      desktop.play(part, width);
      await page.play(part);
      await compare(desktop, page, label, k);
    }
    desktop.play(tail, width);
    await page.play(tail);
    assert.deepEqual(page.errors, []);
  } finally {
    await desktop.close();
    await page.close();
  }
}

// Sessions from seed 2000 on go far beyond the window, where POLYSKETCH_FAR
// is 1; the last of them draws the edge triangles, in a view where a
// pointer unit is a window pixel.
const FAR_SEEDS = 2000, EDGE_SEED = 2004, far = (seed) => seed >= FAR_SEEDS;
const seeds = process.env.POLYSKETCH_SEED ? [Number(process.env.POLYSKETCH_SEED)]
  : [...Array.from({ length: 13 }, (_, i) => 1000 + i),
     ...(FAR ? Array.from({ length: EDGE_SEED - FAR_SEEDS + 1 }, (_, i) => FAR_SEEDS + i) : [])];
const browsers = (process.env.POLYSKETCH_BROWSERS ?? Object.keys(engines).join()).split(',');
for (const [engine, how] of Object.entries(engines).filter(([name]) => browsers.includes(name)))
  for (const seed of seeds)
    test(`${engine}: session ${seed} draws the desktop's pixels`, { timeout: 600000 }, async (t) => {
      try {
        await play(engine, how, seed);
      } catch (e) {
        if (!how.lost?.(e))
          throw e;
        t.diagnostic(`${engine} itself was lost, and the session is played again in a new one: ${e.message}`);
        await forget(engine);
        await play(engine, how, seed);
      }
    });
