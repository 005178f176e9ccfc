// Reads the page's languages as gettext does, for the page's build and its
// tests alike: the list in LINGUAS, the page's English messages, and each
// catalogue's translations of them with their flags. It judges nothing:
// what to make of a fuzzy or missing translation is each reader's own.

import { readFileSync } from 'node:fs';
import { join } from 'node:path';

// gettext joins a message's context and the message with this, as in a
// compiled catalogue.
const CONTEXT_END = '\u0004';

// A message as the catalogues find it: by its context too, where it has one.
const lookUp = (context, id) => (context === undefined ? id : `${context}${CONTEXT_END}${id}`);

// The catalogues' names in `folder`'s LINGUAS, read as gettext reads it: a
// '#' starts a comment that runs to the line's end, and the names are
// separated by spaces, tabs and line ends, several to a line or none.
export function linguas(folder) {
  return readFileSync(join(folder, 'LINGUAS'), 'utf8').replace(/#.*/g, '').split(/[ \t\r\n]+/).filter((n) => n !== '');
}

// The page's messages in `wordsFile` (words.js), by key: the English `id`,
// and `lookUp`, the message as a catalogue's entries are found by.
export function messages(wordsFile) {
  const marked = (context, id) => ({ id, lookUp: lookUp(context, id) });
  return new Function('_', 'p_', `${readFileSync(wordsFile, 'utf8')}; return WORDS;`)(
    (id) => marked(undefined, id), marked);
}

// A catalogue's entries by the message they translate (see `lookUp`), each
// as { msgstr, fuzzy }; the header and obsolete entries left out. An entry
// ends at a blank line or where the next one's comments or message begin.
export function entries(file) {
  const found = new Map();
  let entry = {}, field = null;
  const keep = () => {
    if (entry.msgid && entry.msgstr !== undefined)
      found.set(lookUp(entry.msgctxt, entry.msgid), { msgstr: entry.msgstr, fuzzy: entry.fuzzy === true });
    entry = {};
  };
  for (const line of readFileSync(file, 'utf8').split('\n')) {
    const start = /^(msgctxt|msgid|msgstr) (".*")$/.exec(line);
    if (line.trim() === '' || (entry.msgstr !== undefined && (line.startsWith('#') || (start && start[1] !== 'msgstr'))))
      keep();
    if (start) {
      field = start[1];
      entry[field] = JSON.parse(start[2]);
    } else if (line.startsWith('"') && field !== null)
      entry[field] += JSON.parse(line);
    else {
      field = null;
      if (/^#,.*\bfuzzy\b/.test(line))
        entry.fuzzy = true;
    }
  }
  keep();
  return found;
}
