// Shared by the browser tests: the site served on 127.0.0.1, and Chromium
// started as they need it.

import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join } from 'node:path';

const types = { '.html': 'text/html', '.css': 'text/css', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.svg': 'image/svg+xml', '.png': 'image/png', '.webmanifest': 'application/manifest+json' };

// The folder `site` on a free port of 127.0.0.1; resolves to the server.
// Its `site` may be changed to serve another build, and its `fault` makes
// it fail as real networks do, for every request or, with `only`, for the
// paths that match: 'reset' connections, 'hang' without an answer, answer
// an error status (503, 404), 'cut' the body off half-way, 'stall'
// half-way, never to send the rest, or send its last bytes 'late', once
// the promise that its `until()` makes resolves. It counts the requests it
// fails in `faulted`. Like most static hosts, it lets browsers keep what it
// sends for ten minutes, so that whatever fetches a file anew must say so.
export function serve(site) {
  const server = createServer(async (request, response) => {
    // URL parsing resolves any dot segments, so nothing outside the site.
    const path = new URL(request.url, 'http://x').pathname.replace(/\/$/, '/index.html');
    const fault = server.fault && (!server.fault.only || server.fault.only.test(path)) ? server.fault.kind : null;
    server.faulted += fault === null ? 0 : 1;
    if (fault === 'reset')
      return request.socket.resetAndDestroy();
    if (fault === 'hang')
      return;
    if (typeof fault === 'number')
      return response.writeHead(fault, { 'Content-Type': 'text/plain' }).end(`${fault}\n`);
    let body;
    try {
      body = await readFile(join(server.site, path));
    } catch {
      return response.writeHead(404).end();
    }
    response.writeHead(200, { 'Content-Type': types[extname(path)] ?? 'application/octet-stream',
                              'Content-Length': body.length, 'Cache-Control': 'max-age=600' });
    if (fault === 'cut' || fault === 'stall')
      return response.write(body.subarray(0, body.length >> 1), () => fault === 'cut' && request.socket.destroy());
    if (fault === 'late') {
      const late = server.fault.until();
      return response.write(body.subarray(0, -8), () => late.then(() => response.end(body.subarray(-8))));
    }
    response.end(body);
  });
  server.site = site;
  server.fault = null;
  server.faulted = 0;
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// puppeteer's launch options for Debian's Chromium, headless.
export const chromium = (args = []) => ({
  executablePath: '/usr/bin/chromium',
  timeout: 300000, // it starts in seconds natively, in minutes under emulation
  // Root in a container needs no sandbox. The zygote insists on being
  // single-threaded, which it never is under qemu-user (qemu runs a thread of
  // its own), so it is left out. WebGL without a GPU, which the page
  // benchmark's floor draws with, needs Chromium's software renderer, which
  // it no longer picks by itself.
  args: ['--no-sandbox', '--no-zygote', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
         '--disable-background-networking', '--disable-component-update', '--no-first-run', ...args],
});

// True in the page once the drawing area is no longer busy: the toolkit
// listens, or the page has said why the program cannot run. The module
// compiles after the page's load event, and input sent before then would be
// lost.
export const programStarted = () => document.querySelector('canvas:not([aria-busy])') !== null;

// Where the canvas lies in a puppeteer page, in CSS pixels: [left, top,
// width]. Given a `width`, the page's viewport is first made wider or
// narrower by what it takes for the canvas to be shown that wide, as on a
// phone that much wider than the canvas with the page's margins.
export async function placeCanvas(page, width) {
  const rect = () => page.$eval('canvas', (c) => {
    const r = c.getBoundingClientRect();
    return [r.left, r.top, r.width];
  });
  let r = await rect();
  if (width && r[2] !== width) {
    const view = page.viewport();
    await page.setViewport({ ...view, width: view.width + width - r[2] });
    r = await rect();
    if (r[2] !== width)
      throw new Error(`the canvas is shown ${r[2]} CSS pixels wide, not ${width}`);
  }
  return r;
}

// The canvas's rectangle for a screenshot in device pixels through the
// DevTools protocol, given in CSS pixels: a browser shows the canvas from the
// whole device pixel nearest to its place, so that its pixels stay sharp.
export function canvasClip([left, top, width], ratio) {
  const snap = (v) => Math.round(v * ratio) / ratio;
  return { x: snap(left), y: snap(top), width, height: width * 3 / 4, scale: ratio };
}
