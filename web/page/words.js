// Every word that the page shows or speaks, in English. The build takes
// these as the catalogues' messages and puts each language's translations
// from po/ beside them; nothing here is loaded as it stands.

var WORDS = {
  // Shown in the language's own list of languages, to speakers of it.
  name: p_('the name of this language, in itself', 'English'),
  // This language's tag as browsers ask for it: zh-Hans, pt-BR.
  tag: p_('this language\'s tag on the web (BCP 47)', 'en'),
  // Exactly ltr or rtl.
  dir: p_('the direction in which this language is written: ltr, or rtl for right to left', 'ltr'),
  // The first of the languages offered: whatever the browser asks for.
  browser: _('Browser’s language'),
  language: _('Language'),
  description: _('Polysketch: draw a polygon with the mouse, your fingers or the keyboard, one vertex at a time, and fill it in red.'),
  hint: _('Drag with the left button and release to place each vertex of a polygon; click with the right or middle button, or touch with a second finger, to close it and fill it red. Keys: Tab to the drawing area, arrows move its pointer (with Shift, by ten), hold Space to drag, Enter closes.'),
  canvas: _('Drawing area. Drag with the left button to place vertices, right-click to close and fill. Keys: arrows move the pointer, Shift with an arrow by ten, hold Space to drag, Enter to close and fill.'),
  noScript: _('Polysketch needs JavaScript: turn it on for this page to draw.'),
  loadFailed: _('Polysketch could not be loaded. Check your connection and reload the page.'),
  stopped: _('Polysketch stopped. Reload the page to start again.'),
  noCanvas: _('Polysketch cannot draw in this browser, which offers no canvas to draw on.'),
  updated: _('A new version of Polysketch is ready: it opens the next time you start it.'),
};
