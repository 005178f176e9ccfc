// The browser's stand-in for the window toolkit and GL 1.1: exactly the calls
// that polysketch makes, on a WebGL canvas. It is linked with Emscripten's
// own GL and toolkit libraries left out, so no symbol here overrides one of
// theirs and a call the program makes that this lacks fails to link.

var polysketchWeb = {
  $web: {
    canvas: null,
    gl: null,
    colourUniform: null,
    pointSizeUniform: null,
    buffer: null,
    // The fixed-function state that the program sets.
    colour: [0, 0, 0],
    pointSize: 1,
    logicOpEnabled: false,
    logicOp: 0x1503, // GL_COPY
    viewport: [0, 0, 0, 0],
    matrixMode: 0x1700, // GL_MODELVIEW
    modelview: null,
    projection: null,
    mode: 0,
    vertices: [],
    // The handlers and the one pending repaint.
    display: 0,
    reshape: 0,
    mouse: 0,
    motion: 0,
    redisplayPending: false,
    buttonsHeld: 0,
    // Which finger acts as which button, by touch identifier.
    fingers: null,

    identity: () => [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1],

    current: () => (web.matrixMode === 0x1701 ? web.projection : web.modelview),

    // Column-major, as GL keeps them: m = m * n.
    multiply: (m, n) => {
      var r = [];
      for (var c = 0; c < 4; ++c)
        for (var row = 0; row < 4; ++row) {
          var sum = 0;
          for (var k = 0; k < 4; ++k)
            sum += m[k * 4 + row] * n[c * 4 + k];
          r[c * 4 + row] = sum;
        }
      for (var i = 0; i < 16; ++i)
        m[i] = r[i];
    },

    // A vertex through both matrices and the viewport, in window pixels.
    toWindow: (x, y) => {
      var p = web.projection, m = web.modelview;
      var ex = m[0] * x + m[4] * y + m[12], ey = m[1] * x + m[5] * y + m[13];
      var ew = m[3] * x + m[7] * y + m[15];
      var cx = p[0] * ex + p[4] * ey + p[12] * ew, cy = p[1] * ex + p[5] * ey + p[13] * ew;
      var cw = p[3] * ex + p[7] * ey + p[15] * ew;
      // On the sub-pixel grid of GL's rasterisers, which also takes away
      // the rounding errors that would move a vertex off its pixel corner.
      var v = web.viewport, snap = (c) => Math.round(c * 256) / 256;
      return [snap(v[0] + (cx / cw + 1) * v[2] / 2), snap(v[1] + (cy / cw + 1) * v[3] / 2)];
    },

    // Where desktop GL puts the pixels of a primitive whose vertices lie on
    // pixel corners, as the program's do. A point of odd size is centred on
    // the pixel whose corner it names. A line along a pixel boundary lands on
    // the pixels below and left of it; through their centres, WebGL draws
    // the same pixels whatever its rasteriser does at the boundary.
    place: (mode, w) => {
      if (mode === 0)
        return web.pointSize % 2 === 1 ? [Math.floor(w[0]) + 0.5, Math.floor(w[1]) + 0.5]
                                       : [Math.floor(w[0] + 0.5), Math.floor(w[1] + 0.5)];
      if (mode >= 1 && mode <= 3)
        return [w[0] - 0.5, w[1] - 0.5];
      return w;
    },

    createContext: () => {
      // Kept between frames, as a single-buffered window keeps its pixels:
      // the program draws the band and the dots over what is there.
      var gl = web.canvas.getContext('webgl', {
        preserveDrawingBuffer: true, antialias: false, alpha: false, depth: false, stencil: false });
      if (!gl) {
        // As the desktop toolkit ends the program when it finds no display,
        // this ends it here, quietly; the page says why.
        Module['cannotRun']('Polysketch needs WebGL, which this browser does not offer or has turned off.');
        throw 'unwind';
      }
      var shader = (type, source) => {
        var s = gl.createShader(type);
        gl.shaderSource(s, source);
        gl.compileShader(s);
        return s;
      };
      var program = gl.createProgram();
      gl.attachShader(program, shader(gl.VERTEX_SHADER,
        'attribute vec2 position; uniform float pointSize;' +
        'void main() { gl_Position = vec4(position, 0.0, 1.0); gl_PointSize = pointSize; }'));
      gl.attachShader(program, shader(gl.FRAGMENT_SHADER,
        'precision mediump float; uniform vec3 colour;' +
        'void main() { gl_FragColor = vec4(colour, 1.0); }'));
      gl.linkProgram(program);
      gl.useProgram(program);
      web.colourUniform = gl.getUniformLocation(program, 'colour');
      web.pointSizeUniform = gl.getUniformLocation(program, 'pointSize');
      web.buffer = gl.createBuffer();
      gl.bindBuffer(gl.ARRAY_BUFFER, web.buffer);
      gl.enableVertexAttribArray(0);
      gl.vertexAttribPointer(0, 2, gl.FLOAT, false, 0, 0);
      web.gl = gl;
      web.modelview = web.identity();
      web.projection = web.identity();
      web.viewport = [0, 0, web.canvas.width, web.canvas.height];
    },

    // XOR has no WebGL counterpart. With white, the only colour the program
    // draws by XOR, it is exactly 1 - destination, which blending gives.
    updateBlend: () => {
      var gl = web.gl;
      if (web.logicOpEnabled && web.logicOp === 0x1506) {
        gl.enable(gl.BLEND);
        gl.blendFuncSeparate(gl.ONE_MINUS_DST_COLOR, gl.ZERO, gl.ZERO, gl.ONE);
      } else {
        gl.disable(gl.BLEND);
      }
    },

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
      if (!web.redisplayPending)
        return;
      web.redisplayPending = false;
      web.call(web.display, []);
    },

    // The scene pixel under a point of the page: the canvas may be shown
    // scaled, to fit a narrow screen.
    scenePoint: (clientX, clientY) => {
      var r = web.canvas.getBoundingClientRect();
      return [Math.floor((clientX - r.left) * web.canvas.width / r.width),
              Math.floor((clientY - r.top) * web.canvas.height / r.height)];
    },

    button: (button, state, clientX, clientY) => {
      var p = web.scenePoint(clientX, clientY);
      web.call(web.mouse, [button, state, p[0], p[1]]);
    },

    move: (clientX, clientY) => {
      web.call(web.motion, web.scenePoint(clientX, clientY));
    },

    // Presses start on the canvas; moves and releases are followed beyond it
    // while a button is held, as a desktop window's pointer grab does.
    listen: () => {
      var canvas = web.canvas;
      web.fingers = new Map();
      canvas.addEventListener('mousedown', (e) => {
        e.preventDefault(); // no text selection, no middle-button scrolling
        if (e.button > 2 || (web.buttonsHeld & (1 << e.button)))
          return;
        web.buttonsHeld |= 1 << e.button;
        web.button(e.button, 0, e.clientX, e.clientY);
      });
      window.addEventListener('mouseup', (e) => {
        if (e.button > 2 || !(web.buttonsHeld & (1 << e.button)))
          return;
        web.buttonsHeld &= ~(1 << e.button);
        web.button(e.button, 1, e.clientX, e.clientY);
      });
      window.addEventListener('mousemove', (e) => {
        if (web.buttonsHeld)
          web.move(e.clientX, e.clientY);
      });
      // The right button closes the polygon; no menu may open over it.
      canvas.addEventListener('contextmenu', (e) => e.preventDefault());

      // One finger is the left button; a second finger touching down while
      // it is held presses the right one. Handled here rather than as the
      // mouse events the browser would make of them, which have no second
      // button and no drag.
      canvas.addEventListener('touchstart', (e) => {
        e.preventDefault();
        for (var t of e.changedTouches) {
          var used = new Set(web.fingers.values());
          var button = !used.has(0) ? 0 : !used.has(2) ? 2 : -1;
          if (button < 0)
            continue;
          web.fingers.set(t.identifier, button);
          web.button(button, 0, t.clientX, t.clientY);
        }
      }, { passive: false });
      canvas.addEventListener('touchmove', (e) => {
        e.preventDefault();
        for (var t of e.changedTouches)
          if (web.fingers.get(t.identifier) === 0)
            web.move(t.clientX, t.clientY);
      }, { passive: false });
      var lift = (e) => {
        e.preventDefault();
        for (var t of e.changedTouches) {
          if (!web.fingers.has(t.identifier))
            continue;
          var button = web.fingers.get(t.identifier);
          web.fingers.delete(t.identifier);
          web.button(button, 1, t.clientX, t.clientY);
        }
      };
      canvas.addEventListener('touchend', lift, { passive: false });
      canvas.addEventListener('touchcancel', lift, { passive: false });
    },
  },

  // The page names the canvas to draw on.
  glutInit: function(argcp, argv) { web.canvas = Module['canvas']; },
  // Always one colour buffer that keeps its pixels: see createContext.
  glutInitDisplayMode: function(mode) {},
  glutInitWindowSize: function(width, height) {
    web.canvas.width = width;
    web.canvas.height = height;
  },
  // The page places the canvas.
  glutInitWindowPosition: function(x, y) {},
  glutCreateWindow: function(title) {
    document.title = new TextDecoder().decode(HEAPU8.subarray(title, HEAPU8.indexOf(0, title)));
    web.createContext();
    return 1;
  },
  glutDisplayFunc: function(f) { web.display = f; },
  glutReshapeFunc: function(f) { web.reshape = f; },
  glutMouseFunc: function(f) { web.mouse = f; },
  glutMotionFunc: function(f) { web.motion = f; },
  // Requests coalesce into one repaint at the next frame.
  glutPostRedisplay: function() {
    if (web.redisplayPending)
      return;
    web.redisplayPending = true;
    requestAnimationFrame(web.runDisplay);
  },
  // The window's first reshape and its repaint happen at once, so that the
  // page never shows the canvas before its first repaint. Then the browser's
  // own event loop takes over: main never returns, as on the desktop.
  glutMainLoop: function() {
    web.listen();
    web.call(web.reshape, [web.canvas.width, web.canvas.height]);
    web.runDisplay();
    throw 'unwind';
  },

  glClearColor: function(r, g, b, a) { web.gl.clearColor(r, g, b, a); },
  glClear: function(mask) { web.gl.clear(mask); },
  glPointSize: function(size) { web.pointSize = size; },
  glLogicOp: function(op) {
    web.logicOp = op;
    web.updateBlend();
  },
  glEnable: function(cap) {
    if (cap === 0x0BF2) { // GL_COLOR_LOGIC_OP
      web.logicOpEnabled = true;
      web.updateBlend();
    }
  },
  glDisable: function(cap) {
    if (cap === 0x0BF2) {
      web.logicOpEnabled = false;
      web.updateBlend();
    }
  },
  glColor3f: function(r, g, b) { web.colour = [r, g, b]; },
  glBegin: function(mode) {
    web.mode = mode;
    web.vertices = [];
  },
  glVertex2i: function(x, y) { web.vertices.push(web.toWindow(x, y)); },
  // GL_POLYGON is drawn as the fan of triangles that covers the same convex
  // area; the other modes are WebGL's own.
  glEnd: function() {
    var gl = web.gl, v = web.viewport, data = new Float32Array(web.vertices.length * 2);
    web.vertices.forEach((w, i) => {
      var p = web.place(web.mode, w);
      data[2 * i] = (p[0] - v[0]) / v[2] * 2 - 1;
      data[2 * i + 1] = (p[1] - v[1]) / v[3] * 2 - 1;
    });
    gl.uniform3fv(web.colourUniform, web.colour);
    gl.uniform1f(web.pointSizeUniform, web.pointSize);
    gl.bufferData(gl.ARRAY_BUFFER, data, gl.STREAM_DRAW);
    gl.drawArrays(web.mode === 0x0009 ? gl.TRIANGLE_FAN : web.mode, 0, web.vertices.length);
  },
  // The browser shows the canvas as soon as the handler returns.
  glFlush: function() {},
  glViewport: function(x, y, width, height) {
    web.viewport = [x, y, width, height];
    web.gl.viewport(x, y, width, height);
  },
  glMatrixMode: function(mode) { web.matrixMode = mode; },
  glLoadIdentity: function() {
    var m = web.current(), id = web.identity();
    for (var i = 0; i < 16; ++i)
      m[i] = id[i];
  },
  glOrtho: function(l, r, b, t, n, f) {
    web.multiply(web.current(), [2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, -2 / (f - n), 0,
                                 -(r + l) / (r - l), -(t + b) / (t - b), -(f + n) / (f - n), 1]);
  },
};

// Every call works on the shared state.
for (var name of Object.keys(polysketchWeb))
  if (name !== '$web')
    polysketchWeb[name + '__deps'] = ['$web'];

mergeInto(LibraryManager.library, polysketchWeb);
