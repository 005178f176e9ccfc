// Shared by the browser tests: the site served on 127.0.0.1, and Chromium
// started as they need it.

import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join } from 'node:path';

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.svg': 'image/svg+xml', '.png': 'image/png', '.webmanifest': 'application/manifest+json' };

// The folder `site` on a free port of 127.0.0.1; resolves to the server.
export function serve(site) {
  const server = createServer(async (request, response) => {
    // URL parsing resolves any dot segments, so nothing outside the site.
    const path = new URL(request.url, 'http://x').pathname.replace(/\/$/, '/index.html');
    try {
      const body = await readFile(join(site, path));
      response.writeHead(200, { 'Content-Type': types[extname(path)] ?? 'application/octet-stream' });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
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
