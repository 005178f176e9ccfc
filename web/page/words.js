// Every word that the page shows or speaks, in English. The build takes
// these as the catalogues' messages and puts each language's translations
// from po/ beside them; nothing here is loaded as it stands. The comment
// above each message is its translators'.

var WORDS = {
  // This language's own name, as its speakers write it: the choice of
  // language lists every language so (Deutsch, 日本語, Português (Brasil)).
  name: p_('the name of this language, in itself', 'English'),
  // Not a word to translate: this language's tag as browsers ask for it
  // (BCP 47), such as de, pt-BR or zh-Hans, by which the page finds it.
  tag: p_('this language\'s tag on the web (BCP 47)', 'en'),
  // Not a word to translate: exactly ltr, or rtl for a language written
  // right to left, such as Arabic.
  dir: p_('the direction in which this language is written: ltr, or rtl for right to left', 'ltr'),
  // The first option of the choice of language: the page follows whatever
  // language the browser asks for, and forgets any language chosen before.
  browser: _('Browser’s language'),
  // The label of the choice of language.
  language: _('Language'),
  // The page's description, which search engines and shared links show.
  description: _('Polysketch: draw a polygon with the mouse, your fingers or the keyboard, one vertex at a time, and fill it in red.'),
  // Shown above the drawing area. The mouse buttons, the keys and the
  // drawing area are named as the glossary in docs/translating.md names
  // them.
  hint: _('Drag with the left button and release to place each vertex of a polygon; click with the right or middle button, or touch with a second finger, to close it and fill it red. Keys: Tab to the drawing area, arrows move its pointer (with Shift, by ten), hold Space to drag, Enter closes.'),
  // The drawing area's name, which a screen reader reads out on reaching
  // it: the name first, then how to draw in it with the keys that the hint
  // names.
  canvas: _('Drawing area. Drag with the left button to place vertices, right-click to close and fill. Keys: arrows move the pointer, Shift with an arrow by ten, hold Space to drag, Enter to close and fill.'),
  // Shown where JavaScript is off, in every language at once.
  noScript: _('Polysketch needs JavaScript: turn it on for this page to draw.'),
  loadFailed: _('Polysketch could not be loaded. Check your connection and reload the page.'),
  stopped: _('Polysketch stopped. Reload the page to start again.'),
  // Shown in place of the drawing area where the browser will not let web
  // pages draw. The HTML canvas is the browser's means for a page to draw,
  // not the drawing area: name it as your browser's help does.
  noCanvas: _('Polysketch cannot draw in this browser, which does not let web pages use an HTML canvas.'),
  // Shown quietly below the drawing area once a new version has been
  // stored on the device: the new version opens the next time the user
  // starts Polysketch.
  updated: _('A new version of Polysketch is ready: it opens the next time you start it.'),
};
