// Every relative link in README.md and docs/*.md leads to a file that exists
// and, where it names a heading, to that heading. The argument is the source
// tree.
import { readFileSync, existsSync, readdirSync } from 'node:fs';
import { join, dirname, resolve } from 'node:path';

const root = process.argv[2];
const pages = ['README.md', ...readdirSync(join(root, 'docs')).filter((f) => f.endsWith('.md')).map((f) => join('docs', f))];
// Headings' anchors as the forge makes them: lower case, punctuation
// dropped, spaces to hyphens.
const slug = (heading) => heading.trim().toLowerCase().replace(/[^\p{L}\p{N} _-]/gu, '').replace(/ /g, '-');
const anchors = (file) => new Set(readFileSync(file, 'utf8').split('\n').filter((l) => /^#{1,6} /.test(l))
  .map((l) => slug(l.replace(/^#+ /, ''))));

let checked = 0, broken = 0;
for (const page of pages) {
  const text = readFileSync(join(root, page), 'utf8').replace(/```[\s\S]*?```/g, '');
  for (const [, target] of text.matchAll(/\]\(([^)\s]+)\)/g)) {
    if (/^[a-z]+:/.test(target))
      continue;
    ++checked;
    const [path, anchor] = target.split('#');
    const file = path ? resolve(root, dirname(page), path) : join(root, page);
    const fault = !existsSync(file) ? 'no such file'
      : anchor !== undefined && !(file.endsWith('.md') && anchors(file).has(anchor)) ? 'no such heading' : null;
    if (fault) {
      console.log(`${page}: ${target}: ${fault}`);
      ++broken;
    }
  }
}
console.log(`${checked - broken} passed, ${broken} failed`);
process.exit(broken ? 1 : 0);
