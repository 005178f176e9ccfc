// The page's start and drawing cost beside its floor, bench/floor.html, in
// the same browser and the same run: the start, in Chromium, from
// navigation until the drawing area takes input, on a first visit, on one
// over a slow network and on a repeat start, which the page's worker serves
// and the floor's HTTP cache; each step timed in the page from the event to
// a one-pixel readback of the canvas, so that the drawing itself counts.
// POLYSKETCH_WEB_SITE names the site; BROWSERS, ROUNDS and START_ROUNDS
// may be set, and SLOWDOWNS, the CPU slowdowns that Chromium runs at in
// turn through the DevTools protocol's throttling (6 is about a low-end
// phone).

import { createRequire } from 'node:module';
import { dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { serve, chromium, programStarted } from '../tests/site.mjs';

// The browser driver is the browser tests' own.
const puppeteer = createRequire(new URL('../tests/package.json', import.meta.url))('puppeteer-core');
const ROUNDS = Number(process.env.ROUNDS ?? 3);
const START_ROUNDS = Number(process.env.START_ROUNDS ?? 15);
const SLOWDOWNS = (process.env.SLOWDOWNS ?? '1,6').split(',').map(Number);
const MOVES = 2000, CLICKS = 50, CLOSES = 20, VERTICES = 100;
// A slow network's round trip, as a phone's far from its mast.
const ROUND_TRIP_MS = 150;
// Long enough for a closed tab's process to be done with.
const SETTLE_MS = 1000;

// Runs in the page: synthetic events on the canvas, as the mouse's would
// reach it, each followed by a readback; returns the mean time per step in
// milliseconds.
function measure({ MOVES, CLICKS, CLOSES, VERTICES }) {
  const canvas = document.querySelector('canvas'), r = canvas.getBoundingClientRect();
  const gl = canvas.getContext('webgl'), context = gl ? null : canvas.getContext('2d');
  const pixel = new Uint8Array(4);
  const readback = () => (gl ? gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel) : context.getImageData(0, 0, 1, 1));
  const fire = (type, button, x, y) => canvas.dispatchEvent(new MouseEvent(type,
    { bubbles: true, cancelable: true, button, clientX: r.left + x, clientY: r.top + y }));
  const click = (x, y) => {
    fire('mousedown', 0, x, y);
    fire('mouseup', 0, x, y);
  };
  const timed = (count, step) => {
    const start = performance.now();
    for (let i = 0; i < count; ++i) {
      step(i);
      readback();
    }
    return (performance.now() - start) / count;
  };

  // A band from one corner to alternate ends near the other.
  fire('mousedown', 0, 5, 5);
  const move = timed(MOVES, (i) => fire('mousemove', 0, 506 - (i % 2) * 9, 378 - (i % 2) * 5));
  fire('mouseup', 0, 506, 378);
  const clicks = timed(CLICKS, (i) => click(40 + i * 40, 200));
  // Zig-zag polygons whose fan triangles each span the window's height.
  let close = 0;
  for (let k = 0; k < CLOSES; ++k) {
    fire('mousedown', 2, 0, 0);
    fire('mouseup', 2, 0, 0);
    click(2, 381);
    for (let i = 2; i < VERTICES; ++i)
      click(2 + i * 5, i % 2 ? 381 : 2);
    close += timed(1, () => fire('mousedown', 2, 0, 0)) / CLOSES;
    fire('mouseup', 2, 0, 0);
  }
  return { move, click: clicks, close };
}

// Runs in each page before its own scripts: notes the time since navigation
// began at which the drawing area stops being busy, as it does once the
// program takes input.
function noteStart() {
  new MutationObserver((records, observer) => {
    if (document.querySelector('canvas:not([aria-busy])') === null)
      return;
    window.benchStarted = performance.now();
    observer.disconnect();
  }).observe(document, { subtree: true, attributes: true, attributeFilter: ['aria-busy'] });
}

// The start, the first contentful paint, and when the page's first byte
// came, in milliseconds since navigation began. A paint is timed once it
// has been shown, which may be after the start; the floor, which shows no
// text, has none.
const started = (paints) => new Promise((resolve) => {
  const times = (paint) => ({ start: window.benchStarted, paint,
                              response: performance.getEntriesByType('navigation')[0].responseStart });
  if (!paints)
    return resolve(times(null));
  new PerformanceObserver((list, observer) => {
    const paint = list.getEntriesByName('first-contentful-paint')[0];
    if (paint) {
      observer.disconnect();
      resolve(times(paint.startTime));
    }
  }).observe({ type: 'paint', buffered: true });
});

const launch = {
  chromium: () => puppeteer.launch(chromium()),
  // In a window: headless, Firefox has no WebGL. Its clock is otherwise
  // rounded to a millisecond, too coarse for one step.
  firefox: () => puppeteer.launch({ browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: false,
                                     timeout: 300000, defaultViewport: { width: 800, height: 600 },
                                     extraPrefsFirefox: { 'privacy.reduceTimerPrecision': false } }),
};

const median = (values) => values.sort((a, b) => a - b)[Math.floor(values.length / 2)];
const site = await serve(process.env.POLYSKETCH_WEB_SITE);
const floor = await serve(dirname(fileURLToPath(import.meta.url)));
const address = (server, path) => `http://127.0.0.1:${server.address().port}/${path}`;
const steps = { move: 'one move of a long rubber band', click: 'one click: press, release, a dot',
                close: `the close of a ${VERTICES}-vertex zig-zag` };
// Firefox has no CPU throttling, so it runs at the machine's own speed.
const runs = (process.env.BROWSERS ?? 'chromium,firefox').split(',')
  .flatMap((name) => (name === 'chromium' ? SLOWDOWNS : [1]).map((slowdown) => [name, slowdown]));
const pages = [['page', address(site, '')], ['floor', address(floor, 'floor.html')]];

// `url` in a new tab of `context`, slowed from the start, once its program
// takes input; `timesStart` has it note when that is, and `roundTrip` adds
// that many milliseconds to each request's round trip.
async function open(context, url, slowdown, timesStart, roundTrip = 0) {
  const page = await context.newPage();
  if (timesStart)
    await page.evaluateOnNewDocument(noteStart);
  if (slowdown !== 1)
    await (await page.createCDPSession()).send('Emulation.setCPUThrottlingRate', { rate: slowdown });
  if (roundTrip !== 0)
    await (await page.createCDPSession()).send('Network.emulateNetworkConditions',
      { offline: false, latency: roundTrip, downloadThroughput: -1, uploadThroughput: -1 });
  await page.goto(url, { waitUntil: 'load' });
  await page.waitForFunction(programStarted);
  return page;
}

// The starts timed at each slowdown: first visits at every one, and at the
// machine's own speed also over a slow network, and a repeat.
const STARTS = { first: 'a first visit', slow: `a first visit, ${ROUND_TRIP_MS} ms round trip`,
                 repeat: 'a repeat start' };
const startsAt = (slowdown) => (slowdown === 1 ? Object.keys(STARTS) : ['first']);

// One start of `which` of the pages, at `url`, of the `kind` given, in a
// browser context of its own, with nothing stored before. A repeat start
// follows a first visit in that context, once the page's worker serves it,
// as after a while away: with every worker stopped, so that what the
// worker's own start costs counts, and once the first visit's tab has had
// a moment to close.
async function timeStart(browser, which, url, slowdown, kind) {
  const context = await browser.createBrowserContext();
  if (kind === 'repeat') {
    const first = await open(context, url, 1, false);
    if (which === 'page')
      await first.waitForFunction(() => navigator.serviceWorker.controller !== null);
    const cdp = await first.createCDPSession();
    await cdp.send('ServiceWorker.enable');
    await cdp.send('ServiceWorker.stopAllWorkers');
    await first.close();
    await new Promise((resolve) => setTimeout(resolve, SETTLE_MS));
  }
  const page = await open(context, url, slowdown, true, kind === 'slow' ? ROUND_TRIP_MS : 0);
  const times = await page.evaluate(started, which === 'page');
  await context.close();
  return times;
}

for (const [name, slowdown] of runs) {
  const browser = await launch[name]();
  const version = await browser.version();
  const results = { page: [], floor: [] };
  // Interleaved, so that a slow spell of the machine spreads over both.
  // Chromium first times the starts, with no step timing just before them;
  // the starts vary more than the steps, so they have more rounds.
  const timesStart = name === 'chromium';
  const starts = Object.fromEntries(startsAt(slowdown).map((kind) => [kind, { page: [], floor: [] }]));
  for (let round = 0; timesStart && round < START_ROUNDS; ++round)
    for (const kind of Object.keys(starts))
      for (const [which, url] of pages)
        starts[kind][which].push(await timeStart(browser, which, url, slowdown, kind));
  for (let round = 0; round < ROUNDS; ++round)
    for (const [which, url] of pages) {
      const page = await open(browser, url, slowdown, false);
      results[which].push(await page.evaluate(measure, { MOVES, CLICKS, CLOSES, VERTICES }));
      await page.close();
    }
  await browser.close();
  const of = (which, step) => results[which].map((r) => r[step]);
  console.log(`${version} at ${slowdown} x CPU slowdown, medians of ${ROUNDS} rounds` +
              `${timesStart ? `, of ${START_ROUNDS} for the start` : ''}:`);
  const range = (values) => `${Math.min(...values).toFixed(0)}-${Math.max(...values).toFixed(0)}`;
  const line = (label, page, base) => console.log(`  ${label.padEnd(46)} page ${median(page).toFixed(1).padStart(8)} ms` +
    `   floor ${median(base).toFixed(1).padStart(8)} ms   page / floor ${(median(page) / median(base)).toFixed(2)}` +
    `   (page ${range(page)} ms, floor ${range(base)} ms)`);
  for (const [kind, { page, floor }] of timesStart ? Object.entries(starts) : []) {
    const each = (all, time) => all.map((r) => r[time]);
    line(`${STARTS[kind]}, until input`, each(page, 'start'), each(floor, 'start'));
    const afterPaint = page.map((r) => r.start - r.paint);
    console.log(`  ${'  input after the first paint'.padEnd(46)} page ${median(afterPaint).toFixed(1).padStart(8)} ms` +
                `   (${range(afterPaint)} ms)`);
    if (kind === 'repeat')
      line("  the page's first byte", each(page, 'response'), each(floor, 'response'));
  }
  for (const [step, label] of Object.entries(steps)) {
    const page = median(of('page', step)), base = median(of('floor', step));
    console.log(`  ${label.padEnd(46)} page ${page.toFixed(3).padStart(8)} ms   floor ${base.toFixed(3).padStart(8)} ms` +
                `   page / floor ${(page / base).toFixed(2)}`);
  }
}
site.close();
floor.close();
