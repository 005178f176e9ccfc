// Makes the page one file, so that its start is one request: each script
// and style sheet of the site's own that the page names is put in the page,
// and the page's policy lets in exactly those, by their SHA-256 hashes in
// place of %SCRIPT_HASHES% and %STYLE_HASHES%. A script of a type other
// than JavaScript, the program's module, goes in as base64: data for
// page.js to read, which runs nothing and so needs no hash.
// Arguments: the page to read, the page to write, and the folders in which
// to look for the files that it names, in turn.

import { createHash } from 'node:crypto';
import { existsSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

const [from, to, ...folders] = process.argv.slice(2);

// The file `name` as the first folder that has it holds it.
function read(name) {
  const found = folders.map((folder) => join(folder, name)).find((path) => existsSync(path));
  if (found === undefined)
    throw new Error(`${from}: no ${name} in ${folders.join(', ')}`);
  return readFileSync(found);
}

// The text of `name` for an element `tag` of the page. Such an element ends
// at the first "</tag" in it, whatever that is in the file, and a "<!--"
// can change how the rest is read.
function text(name, tag) {
  const t = read(name).toString('utf8');
  if (new RegExp(`</${tag}|<!--`, 'i').test(t))
    throw new Error(`${name} holds "</${tag}" or "<!--", which would end its element in the page early`);
  return t;
}

// The policy's source for `t` as the browser hashes it: its UTF-8 bytes.
const hash = (t) => `'sha256-${createHash('sha256').update(t, 'utf8').digest('base64')}'`;

const scripts = [], styles = [];

// A script the page names by `src`, put in: run as it was, or data.
function script(whole, before, name, after) {
  const attributes = `${before}${after}`;
  if (/\b(defer|async)\b/.test(attributes))
    throw new Error(`${from}: ${name} is deferred, which a script in the page cannot be`);
  if (/\btype="(?!text\/javascript")/.test(attributes))
    return `<script${attributes}>${read(name).toString('base64')}</script>`;
  const t = text(name, 'script');
  scripts.push(hash(t));
  return `<script${attributes}>${t}</script>`;
}

function style(whole, name) {
  const t = text(name, 'style');
  styles.push(hash(t));
  return `<style>${t}</style>`;
}

// Each hash once, where the policy asks for it, or no page at all.
function policy(page) {
  for (const [marker, hashes] of [['%SCRIPT_HASHES%', scripts], ['%STYLE_HASHES%', styles]]) {
    if (page.split(marker).length !== 2)
      throw new Error(`${from}: the policy must name ${marker} once`);
    page = page.replace(marker, () => hashes.join(' '));
  }
  return page;
}

const page = readFileSync(from, 'utf8')
  .replace(/<script([^>]*?) src="([^":/]+)"([^>]*)><\/script>/g, script)
  .replace(/<link rel="stylesheet" href="([^":/]+)">/g, style);
writeFileSync(to, policy(page));
