// The page against the desktop program: the same seeded random mouse
// sessions played on the real program (XTest, through xdotool) and on the
// page in headless Chromium (DevTools input), their pictures compared pixel
// for pixel at checkpoints. POLYSKETCH_PROGRAM names the desktop program,
// POLYSKETCH_WEB_SITE the site; POLYSKETCH_SEED replays one session.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, execFileSync } from 'node:child_process';
import { createServer } from 'node:http';
import { mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { extname, join } from 'node:path';
import puppeteer from 'puppeteer-core';
import { PNG } from 'pngjs';

const W = 512, H = 384, WINDOW_X = 256, WINDOW_Y = 192;
const SETTLE_TRIES = 100; // of 50 ms each
const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };

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
// pixels, with presses that start a hold inside the window and moves and
// presses beyond it while a button is held; checkpoints after every third.
function session(seed, events) {
  const random = generator(seed), pick = (a, b) => a + Math.floor(random() * (b - a + 1));
  const steps = [], held = new Set();
  const inside = () => [pick(0, W - 1), pick(0, H - 1)];
  const anywhere = () => [pick(-200, W + 150), pick(-150, H + 120)];
  while (steps.length < events) {
    const r = random();
    if (held.size === 0) {
      steps.push({ move: inside() });
      const button = r < 0.7 ? 0 : r < 0.85 ? 1 : 2;
      steps.push({ press: button });
      held.add(button);
    } else if (r < 0.5) {
      steps.push({ move: random() < 0.3 ? anywhere() : inside() });
    } else if (r < 0.62 && held.size < 3) {
      const free = [0, 1, 2].filter((b) => !held.has(b));
      const button = free[pick(0, free.length - 1)];
      steps.push({ press: button });
      held.add(button);
    } else {
      const button = [...held][pick(0, held.size - 1)];
      steps.push({ release: button });
      held.delete(button);
    }
  }
  for (const button of held)
    steps.push({ release: button });
  return steps;
}

// Over a hundred clicks, each one a vertex, past the list's limit.
function longSession(seed) {
  const random = generator(seed), steps = [];
  for (let i = 0; i < 110; ++i)
    steps.push({ move: [Math.floor(random() * W), Math.floor(random() * H)] }, { press: 0 }, { release: 0 });
  steps.push({ press: 2 }, { release: 2 });
  return steps;
}

class Desktop {
  async open() {
    this.process = spawn(process.env.POLYSKETCH_PROGRAM, [], { argv0: 'polysketch-differential', stdio: 'ignore' });
    this.window = execFileSync('xdotool', ['search', '--sync', '--onlyvisible', '--name', '^polysketch-differential$'],
                               { timeout: 20000 }).toString().trim().split('\n')[0];
  }
  close() { this.process?.kill('SIGKILL'); }
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
      execFileSync('xdotool', args, { timeout: 20000 });
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

class Page {
  async open() {
    this.server = createServer((request, response) => {
      const path = new URL(request.url, 'http://x').pathname.replace(/\/$/, '/index.html');
      try {
        const body = readFileSync(join(process.env.POLYSKETCH_WEB_SITE, path));
        response.writeHead(200, { 'Content-Type': types[extname(path)] ?? 'application/octet-stream' }).end(body);
      } catch {
        response.writeHead(404).end();
      }
    });
    await new Promise((resolve) => this.server.listen(0, '127.0.0.1', resolve));
    // As the browser test starts it; see there for why each flag.
    this.browser = await puppeteer.launch({
      executablePath: '/usr/bin/chromium', timeout: 300000,
      args: ['--no-sandbox', '--no-zygote', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
             '--disable-background-networking', '--disable-component-update', '--no-first-run'],
    });
    this.page = await this.browser.newPage();
    this.errors = [];
    this.page.on('pageerror', (e) => this.errors.push(e.message));
    await this.page.setViewport({ width: 800, height: 600, deviceScaleFactor: 1 });
    await this.page.goto(`http://127.0.0.1:${this.server.address().port}/`, { waitUntil: 'load' });
  }
  async close() {
    await this.browser?.close();
    this.server?.close();
  }
  async play(steps) {
    const names = ['left', 'middle', 'right'];
    for (const s of steps)
      if (s.move)
        await this.page.mouse.move(...s.move);
      else if (s.press !== undefined)
        await this.page.mouse.down({ button: names[s.press] });
      else
        await this.page.mouse.up({ button: names[s.release] });
  }
  async grab() {
    const png = PNG.sync.read(Buffer.from(await this.page.screenshot({ clip: { x: 0, y: 0, width: W, height: H } })));
    const rgb = Buffer.alloc(W * H * 3);
    for (let i = 0; i < W * H; ++i)
      rgb.set(png.data.subarray(i * 4, i * 4 + 3), i * 3);
    return rgb;
  }
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

// The desktop draws asynchronously, so its picture is read until it agrees
// with the page's, or the differences stay.
async function compare(desktop, page, seed, checkpoint) {
  const expected = await page.grab();
  let observed, at;
  for (let i = 0; i < SETTLE_TRIES; ++i, await new Promise((r) => setTimeout(r, 50)))
    if ((at = differences(expected, observed = desktop.grab())).length === 0)
      return;
  const name = `seed-${seed}-checkpoint-${checkpoint}`;
  save(`${name}-desktop.png`, observed);
  save(`${name}-page.png`, expected);
  save(`${name}-difference.png`, null, new Set(at));
  const show = (i) => `(${i % W}, ${Math.floor(i / W)}): desktop (${[...observed.subarray(i * 3, i * 3 + 3)]}), ` +
                      `page (${[...expected.subarray(i * 3, i * 3 + 3)]})`;
  assert.fail(`seed ${seed}, checkpoint ${checkpoint}: ${at.length} pixels differ, first at ${at.slice(0, 5).map(show).join('; ')}` +
              `; pictures in ${join(process.cwd(), 'differential')}; replay with POLYSKETCH_SEED=${seed}`);
}

const seeds = process.env.POLYSKETCH_SEED ? [Number(process.env.POLYSKETCH_SEED)]
                                          : Array.from({ length: 13 }, (_, i) => 1000 + i);
for (const seed of seeds) {
  test(`session with seed ${seed} draws the same pixels on the desktop and on the page`, { timeout: 600000 }, async () => {
    const steps = seed % 13 === 12 ? longSession(seed) : session(seed, 40 + (seed % 5) * 10);
    console.log(`seed ${seed}: ${steps.length} events`);
    const desktop = new Desktop(), page = new Page();
    try {
      await desktop.open();
      await page.open();
      const blank = Buffer.alloc(W * H * 3, 255);
      await compare(desktop, { grab: async () => blank }, seed, 0);
      const third = Math.ceil(steps.length / 3);
      for (let k = 1; k <= 3; ++k) {
        const part = steps.slice((k - 1) * third, k * third);
        desktop.play(part);
        await page.play(part);
        await compare(desktop, page, seed, k);
      }
      assert.deepEqual(page.errors, []);
    } finally {
      desktop.close();
      await page.close();
    }
  });
}
