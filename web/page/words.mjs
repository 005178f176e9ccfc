// Writes the page's words in every language from the catalogues: its
// language.js, with each language's words beside the English, and its
// index.html, with the English in place for a first paint without
// JavaScript and the sentence for that case in every language.
// Arguments: words.js, the folder of checked catalogues, language.js.in,
// index.html.in, and the folder to write to.

import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

const [words, catalogues, languageIn, indexIn, out] = process.argv.slice(2);

// A catalogue's language as the web tags it: by its script for Chinese,
// which gettext tags by its country.
const TAGS = { zh_CN: 'zh-Hans' };
const RIGHT_TO_LEFT = new Set(['ar']);

// The English words, each key's message as _() or p_() marks it.
const keys = new Function('_', 'p_', `${readFileSync(words, 'utf8')}; return WORDS;`)(
  (id) => id, (context, id) => `${context}\u0004${id}`);

// A checked catalogue's translations, by context and message; obsolete
// entries and the header left out.
function translations(file) {
  const found = new Map();
  let entry = {}, field = null;
  const keep = () => {
    if (entry.msgid)
      found.set(entry.msgctxt === undefined ? entry.msgid : `${entry.msgctxt}\u0004${entry.msgid}`, entry.msgstr);
    entry = {};
  };
  for (const line of readFileSync(file, 'utf8').split('\n')) {
    const start = /^(msgctxt|msgid|msgstr) (".*")$/.exec(line);
    if (start) {
      if (start[1] === 'msgctxt' || (start[1] === 'msgid' && entry.msgid !== undefined))
        keep();
      field = start[1];
      entry[field] = JSON.parse(start[2]);
    } else if (line.startsWith('"') && field)
      entry[field] += JSON.parse(line);
    else
      field = null;
  }
  keep();
  return found;
}

const english = Object.fromEntries(Object.entries(keys).map(([key, id]) => [key, id.split('\u0004').pop()]));
const all = { en: { dir: 'ltr', ...english } };
for (const name of readFileSync(join(catalogues, 'LINGUAS'), 'utf8').split(/\s+/).filter((n) => n && !n.startsWith('#'))) {
  const found = translations(join(catalogues, `${name}.po`));
  const tag = TAGS[name] ?? name.replace('_', '-');
  all[tag] = { dir: RIGHT_TO_LEFT.has(name) ? 'rtl' : 'ltr' };
  for (const [key, id] of Object.entries(keys)) {
    if (!found.get(id))
      throw new Error(`${name}.po: no translation of "${id}"`);
    all[tag][key] = found.get(id);
  }
}

const html = (text) => text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');
writeFileSync(join(out, 'language.js'),
  readFileSync(languageIn, 'utf8').replace('@WORDS@', JSON.stringify(all)));
const options = Object.entries(all).map(([tag, w]) => `<option value="${tag}" lang="${tag}">${html(w.name)}</option>`);
const noScript = Object.entries(all).map(([tag, w]) => `<p lang="${tag}" dir="${w.dir}">${html(w.noScript)}</p>`);
writeFileSync(join(out, 'index.html'), readFileSync(indexIn, 'utf8')
  .replace('@OPTIONS@', options.join('\n'))
  .replace('@NO_SCRIPT@', noScript.join('\n'))
  .replace(/@(\w+)@/g, (whole, key) => {
    if (!(key in english))
      throw new Error(`index.html.in: no word "${key}"`);
    return html(english[key]);
  }));
