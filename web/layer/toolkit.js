// The browser's stand-in for the window toolkit: exactly the calls that
// polysketch makes, on the page's canvas, with the desktop's rules for the
// mouse. It is linked with Emscripten's own toolkit library left out, so no
// symbol here overrides one of its and a call this lacks fails to link.

var polysketchToolkit = {
  $glut: {
    canvas: null,
    // The handlers and the one pending repaint.
    display: 0,
    reshape: 0,
    mouse: 0,
    motion: 0,
    redisplayPending: false,
    buttonsHeld: 0,
    // Which finger acts as which button, by touch identifier.
    fingers: null,

    call: (handler, args) => {
      if (handler === 0)
        return;
      if (args.length === 0)
        {{{ makeDynCall('v', 'handler') }}}();
      else if (args.length === 2)
        {{{ makeDynCall('vii', 'handler') }}}(args[0], args[1]);
      else
        {{{ makeDynCall('viiii', 'handler') }}}(args[0], args[1], args[2], args[3]);
    },

    runDisplay: () => {
      if (!glut.redisplayPending)
        return;
      glut.redisplayPending = false;
      glut.call(glut.display, []);
    },

    // The window pixel under a point of the page, counted from the canvas's
    // top-left corner and not clamped to it, as the desktop reports the
    // pointer anywhere while a button is held. The canvas may be shown
    // scaled, to fit a narrow screen.
    windowPoint: (clientX, clientY) => {
      var r = glut.canvas.getBoundingClientRect();
      return [Math.floor((clientX - r.left) * glut.canvas.width / r.width),
              Math.floor((clientY - r.top) * glut.canvas.height / r.height)];
    },

    button: (button, state, clientX, clientY) => {
      var p = glut.windowPoint(clientX, clientY);
      glut.call(glut.mouse, [button, state, p[0], p[1]]);
    },

    move: (clientX, clientY) => {
      glut.call(glut.motion, glut.windowPoint(clientX, clientY));
    },

    // As on the desktop, where the window holds the pointer from a press
    // until every button is up: a press reaches the program only over the
    // canvas, but while any button is held every press, move and release
    // does, over the page or beyond the browser's window.
    listen: () => {
      var canvas = glut.canvas;
      glut.fingers = new Map();
      canvas.addEventListener('pointerdown', (e) => {
        if (e.pointerType === 'mouse')
          canvas.setPointerCapture(e.pointerId);
      });
      // A press of a button thought held means that its release went astray
      // (WebKitGTK's automation reports every release as the left button's);
      // it reaches the program all the same, as on the desktop.
      window.addEventListener('mousedown', (e) => {
        if (e.button > 2 || (!glut.buttonsHeld && e.target !== canvas))
          return;
        e.preventDefault(); // no text selection, no middle-button scrolling or pasting
        glut.buttonsHeld |= 1 << e.button;
        glut.button(e.button, 0, e.clientX, e.clientY);
      });
      window.addEventListener('mouseup', (e) => {
        if (e.button > 2 || !(glut.buttonsHeld & (1 << e.button)))
          return;
        glut.buttonsHeld &= ~(1 << e.button);
        glut.button(e.button, 1, e.clientX, e.clientY);
      });
      window.addEventListener('mousemove', (e) => {
        if (glut.buttonsHeld)
          glut.move(e.clientX, e.clientY);
      });
      // The right button closes the polygon; no menu may open over it.
      window.addEventListener('contextmenu', (e) => {
        if (e.target === canvas || glut.buttonsHeld)
          e.preventDefault();
      });

      // One finger is the left button; a second finger touching down while
      // it is held presses the right one. Handled here rather than as the
      // mouse events the browser would make of them, which have no second
      // button and no drag. A finger's events follow it off the canvas.
      // A scroll in progress makes an event that it began uncancelable, and
      // cancelling one then only earns a console error.
      var cancel = (e) => e.cancelable && e.preventDefault();
      canvas.addEventListener('touchstart', (e) => {
        cancel(e);
        for (var t of e.changedTouches) {
          var used = new Set(glut.fingers.values());
          var button = !used.has(0) ? 0 : !used.has(2) ? 2 : -1;
          if (button < 0)
            continue;
          glut.fingers.set(t.identifier, button);
          glut.button(button, 0, t.clientX, t.clientY);
        }
      }, { passive: false });
      canvas.addEventListener('touchmove', (e) => {
        cancel(e);
        for (var t of e.changedTouches)
          if (glut.fingers.get(t.identifier) === 0)
            glut.move(t.clientX, t.clientY);
      }, { passive: false });
      var lift = (e) => {
        cancel(e);
        for (var t of e.changedTouches) {
          if (!glut.fingers.has(t.identifier))
            continue;
          var button = glut.fingers.get(t.identifier);
          glut.fingers.delete(t.identifier);
          glut.button(button, 1, t.clientX, t.clientY);
        }
      };
      canvas.addEventListener('touchend', lift, { passive: false });
      canvas.addEventListener('touchcancel', lift, { passive: false });
    },
  },

  // The page names the canvas to draw on.
  glutInit: function(argcp, argv) { glut.canvas = Module['canvas']; },
  // Always one colour buffer that keeps its pixels: see gl.js.
  glutInitDisplayMode: function(mode) {},
  glutInitWindowSize: function(width, height) {
    glut.canvas.width = width;
    glut.canvas.height = height;
  },
  // The page places the canvas.
  glutInitWindowPosition: function(x, y) {},
  glutCreateWindow: function(title) {
    document.title = new TextDecoder().decode(HEAPU8.subarray(title, HEAPU8.indexOf(0, title)));
    if (!gl11.createContext(glut.canvas)) {
      // As the desktop toolkit ends the program when it finds no display,
      // this ends it here, quietly; the page says why.
      Module['cannotRun']('noCanvas');
      throw 'unwind';
    }
    return 1;
  },
  glutDisplayFunc: function(f) { glut.display = f; },
  glutReshapeFunc: function(f) { glut.reshape = f; },
  glutMouseFunc: function(f) { glut.mouse = f; },
  glutMotionFunc: function(f) { glut.motion = f; },
  // Requests coalesce into one repaint at the next frame.
  glutPostRedisplay: function() {
    if (glut.redisplayPending)
      return;
    glut.redisplayPending = true;
    requestAnimationFrame(glut.runDisplay);
  },
  // The window's first reshape and its repaint happen at once, so that the
  // page never shows the canvas before its first repaint. Then the browser's
  // own event loop takes over: main never returns, as on the desktop.
  glutMainLoop: function() {
    glut.listen();
    // The page marks the drawing area busy until the program takes input.
    glut.canvas.removeAttribute('aria-busy');
    glut.call(glut.reshape, [glut.canvas.width, glut.canvas.height]);
    glut.runDisplay();
    throw 'unwind';
  },
};

// Every call works on the shared state; the window's is GL's.
for (var name of Object.keys(polysketchToolkit))
  if (name !== '$glut')
    polysketchToolkit[name + '__deps'] = ['$glut', '$gl11'];

mergeInto(LibraryManager.library, polysketchToolkit);
