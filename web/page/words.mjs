// Writes the page's words in every language from the catalogues: its
// language.js, with each language's words beside the English, and its
// index.html, with the English in place for a first paint without
// JavaScript and the sentence for that case in every language. Each
// language's tag, direction and name are its catalogue's own messages.
// Arguments: words.js, the folder of checked catalogues, language.js.in,
// index.html.in, and the folder to write to.

import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { entries, linguas, messages } from './catalogues.mjs';

const [wordsFile, catalogues, languageIn, indexIn, out] = process.argv.slice(2);

const keys = messages(wordsFile);
const english = Object.fromEntries(Object.entries(keys).map(([key, { id }]) => [key, id]));

// Catalogue `name`'s translation of every message. A fuzzy one is as good
// as none: gettext would not use it, and neither may the page.
function translated(name) {
  const found = entries(join(catalogues, `${name}.po`));
  const words = {};
  for (const [key, { id, lookUp }] of Object.entries(keys)) {
    const entry = found.get(lookUp);
    if (entry?.fuzzy)
      throw new Error(`${name}.po: the translation of "${id}" is fuzzy`);
    if (!entry?.msgstr)
      throw new Error(`${name}.po: no translation of "${id}"`);
    words[key] = entry.msgstr;
  }
  return words;
}

// Fails, naming the catalogue, unless its language's facts are what the
// page can use: a direction of ltr or rtl, and a tag in BCP 47's canonical
// form whose language is the catalogue's (zh-Hans for zh_CN).
function checkFacts(name, { tag, dir }) {
  if (dir !== 'ltr' && dir !== 'rtl')
    throw new Error(`${name}.po: the direction "${dir}" is neither ltr nor rtl`);
  let canonical = null;
  try {
    [canonical] = Intl.getCanonicalLocales(tag);
  } catch {
    // Not a tag at all: said below.
  }
  if (canonical !== tag)
    throw new Error(`${name}.po: "${tag}" is not a BCP 47 tag in canonical form${canonical ? `, which is ${canonical}` : ''}`);
  if (tag.split('-')[0] !== name.split(/[_@.]/)[0])
    throw new Error(`${name}.po: the tag "${tag}" is not of the catalogue's language`);
}

// Every language's words by its tag, English first.
function everyLanguage() {
  const all = { [english.tag]: english };
  for (const name of linguas(catalogues)) {
    const words = translated(name);
    checkFacts(name, words);
    if (Object.hasOwn(all, words.tag))
      throw new Error(`${name}.po: the tag "${words.tag}" is another language's too`);
    all[words.tag] = words;
  }
  return all;
}

const html = (text) => text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');

// The words as a script's data, which stays data wherever the script is put,
// an HTML page's own script element included.
const script = (data) => JSON.stringify(data).replace(/</g, '\\u003c');

// index.html.in with its list of languages in place and every other
// @key@ in English; in one pass, so that no translation put in is read
// again for a @key@ of its own.
function page(all) {
  const lists = {
    NO_SCRIPT: Object.entries(all).map(([tag, w]) => `<p lang="${html(tag)}" dir="${w.dir}">${html(w.noScript)}</p>`),
  };
  return readFileSync(indexIn, 'utf8').replace(/@(\w+)@/g, (whole, key) => {
    if (Object.hasOwn(lists, key))
      return lists[key].join('\n');
    if (!Object.hasOwn(english, key))
      throw new Error(`index.html.in: no word "${key}"`);
    return html(english[key]);
  });
}

const all = everyLanguage();
writeFileSync(join(out, 'language.js'), readFileSync(languageIn, 'utf8').replace('@WORDS@', () => script(all)));
writeFileSync(join(out, 'index.html'), page(all));
