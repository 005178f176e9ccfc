// The browser's stand-in for GL 1.1: exactly the calls that polysketch makes.
// The page keeps the window's pixels itself, as a colour buffer that
// raster.js fills run by run, and glFlush shows what changed on the canvas
// through its 2D context: no GPU and no WebGL is needed, and exclusive-or is
// the true bitwise operation on the stored bytes, as GL's logic op is. It is
// linked with Emscripten's own GL library left out, so no symbol here
// overrides one of its and a call this lacks fails to link.

var polysketchGL = {
  $gl11: {
    context: null,
    // The window's pixels, top row first, and a view of them a pixel a word.
    image: null,
    pixels: null,
    width: 0,
    height: 0,
    // The rectangle changed since the last flush, in the image's rows.
    dirty: null,
    // The fixed-function state that the program sets, colours as packed pixels.
    clearColour: 0,
    colour: 0,
    xorMask: 0,
    pointSize: 1,
    logicOpEnabled: false,
    logicOp: 0x1503, // GL_COPY
    viewport: [0, 0, 0, 0],
    matrixMode: 0x1700, // GL_MODELVIEW
    modelview: null,
    projection: null,
    mode: 0,
    vertices: [],

    identity: () => [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1],

    current: () => (gl11.matrixMode === 0x1701 ? gl11.projection : gl11.modelview),

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

    // A vertex through both matrices and the viewport, in window pixels with
    // the origin at the bottom left, as GL counts them.
    toWindow: (x, y) => {
      var p = gl11.projection, m = gl11.modelview;
      var ex = m[0] * x + m[4] * y + m[12], ey = m[1] * x + m[5] * y + m[13];
      var ew = m[3] * x + m[7] * y + m[15];
      var cx = p[0] * ex + p[4] * ey + p[12] * ew, cy = p[1] * ex + p[5] * ey + p[13] * ew;
      var cw = p[3] * ex + p[7] * ey + p[15] * ew;
      // On the renderer's sub-pixel grid, which also takes away the rounding
      // errors that would move a vertex off its pixel corner.
      var v = gl11.viewport, snap = (c) => Math.round(c * 256) / 256;
      return [snap(v[0] + (cx / cw + 1) * v[2] / 2), snap(v[1] + (cy / cw + 1) * v[3] / 2)];
    },

    // A colour as the buffer holds it, whatever the machine's byte order;
    // the window has no alpha, so only the mask leaves it out.
    pack: (r, g, b, alpha) => {
      var unorm = (c) => Math.round(Math.min(1, Math.max(0, c)) * 255);
      return new Uint32Array(new Uint8Array([unorm(r), unorm(g), unorm(b), alpha]).buffer)[0];
    },

    // Returns false where the browser has no 2D canvas.
    createContext: (canvas) => {
      var context = canvas.getContext('2d', { alpha: false });
      if (!context)
        return false;
      gl11.context = context;
      gl11.width = canvas.width;
      gl11.height = canvas.height;
      gl11.image = context.createImageData(canvas.width, canvas.height);
      gl11.pixels = new Uint32Array(gl11.image.data.buffer);
      // Black, GL's first clear colour, until the first repaint clears it.
      gl11.pixels.fill(gl11.pack(0, 0, 0, 255));
      gl11.modelview = gl11.identity();
      gl11.projection = gl11.identity();
      gl11.viewport = [0, 0, canvas.width, canvas.height];
      return true;
    },

    // Takes pixels [x0, x1) of rows [y0, y1) into the changed rectangle.
    touch: (x0, y0, x1, y1) => {
      var d = gl11.dirty;
      gl11.dirty = d ? [Math.min(d[0], x0), Math.min(d[1], y0), Math.max(d[2], x1), Math.max(d[3], y1)] : [x0, y0, x1, y1];
    },

    // Each piece of a primitive (a line of a strip, a triangle of a polygon)
    // is drawn on its own, as GL draws them: an XOR inverts a pixel that two
    // pieces share twice.
    pieces: (mode, w) => {
      var pieces = [], n = w.length;
      if (mode === 0x0000) // GL_POINTS
        w.forEach((p) => pieces.push([p]));
      else if (mode === 0x0001) // GL_LINES
        for (var i = 0; i + 1 < n; i += 2)
          pieces.push([w[i], w[i + 1]]);
      else if (mode === 0x0002 || mode === 0x0003) { // GL_LINE_LOOP, GL_LINE_STRIP
        for (var i = 0; i + 1 < n; ++i)
          pieces.push([w[i], w[i + 1]]);
        if (mode === 0x0002 && n > 1)
          pieces.push([w[n - 1], w[0]]);
      } else if (mode === 0x0009) // GL_POLYGON, as the fan of triangles GL makes of it
        for (var i = 1; i + 1 < n; ++i)
          pieces.push([w[0], w[i], w[i + 1]]);
      return pieces;
    },

    // A run of pixels on row y, counted from the bottom as GL counts them.
    fill: (x, y, length) => {
      var row = gl11.height - 1 - y, start = row * gl11.width + x, end = start + length, p = gl11.pixels;
      if (gl11.logicOpEnabled && gl11.logicOp === 0x1506) { // GL_XOR
        for (var i = start; i < end; ++i)
          p[i] ^= gl11.xorMask;
      } else {
        p.fill(gl11.colour, start, end);
      }
      gl11.touch(x, row, x + length, row + 1);
    },

    draw: (piece) => {
      var W = gl11.width, H = gl11.height;
      if (piece.length === 1)
        raster.point(piece[0][0], piece[0][1], gl11.pointSize, W, H, gl11.fill);
      else if (piece.length === 2)
        raster.line(piece[0][0], piece[0][1], piece[1][0], piece[1][1], W, H, gl11.fill);
      else
        raster.triangle(piece, W, H, gl11.fill);
    },
  },

  glClearColor: function(r, g, b, a) { gl11.clearColour = gl11.pack(r, g, b, 255); },
  // The logic op plays no part in a clear.
  glClear: function(mask) {
    if (mask & 0x4000) { // GL_COLOR_BUFFER_BIT
      gl11.pixels.fill(gl11.clearColour);
      gl11.touch(0, 0, gl11.width, gl11.height);
    }
  },
  glPointSize: function(size) { gl11.pointSize = size; },
  glLogicOp: function(op) { gl11.logicOp = op; },
  glEnable: function(cap) {
    if (cap === 0x0BF2) // GL_COLOR_LOGIC_OP
      gl11.logicOpEnabled = true;
  },
  glDisable: function(cap) {
    if (cap === 0x0BF2)
      gl11.logicOpEnabled = false;
  },
  glColor3f: function(r, g, b) {
    gl11.colour = gl11.pack(r, g, b, 255);
    gl11.xorMask = gl11.pack(r, g, b, 0);
  },
  glBegin: function(mode) {
    gl11.mode = mode;
    gl11.vertices = [];
  },
  glVertex2i: function(x, y) { gl11.vertices.push(gl11.toWindow(x, y)); },
  glEnd: function() { gl11.pieces(gl11.mode, gl11.vertices).forEach(gl11.draw); },
  // What changed goes to the canvas at once, which the browser shows as soon
  // as the handler returns.
  glFlush: function() {
    var d = gl11.dirty;
    if (!d)
      return;
    gl11.dirty = null;
    gl11.context.putImageData(gl11.image, 0, 0, d[0], d[1], d[2] - d[0], d[3] - d[1]);
  },
  // Kept for the vertices; the pixels are those of the whole canvas.
  glViewport: function(x, y, width, height) { gl11.viewport = [x, y, width, height]; },
  glMatrixMode: function(mode) { gl11.matrixMode = mode; },
  glLoadIdentity: function() {
    var m = gl11.current(), id = gl11.identity();
    for (var i = 0; i < 16; ++i)
      m[i] = id[i];
  },
  glOrtho: function(l, r, b, t, n, f) {
    gl11.multiply(gl11.current(), [2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, -2 / (f - n), 0,
                                   -(r + l) / (r - l), -(t + b) / (t - b), -(f + n) / (f - n), 1]);
  },
};

// Every call works on the shared state and draws through the rasteriser.
for (var name of Object.keys(polysketchGL))
  if (name !== '$gl11')
    polysketchGL[name + '__deps'] = ['$gl11', '$raster'];
polysketchGL['$gl11__deps'] = ['$raster'];

mergeInto(LibraryManager.library, polysketchGL);
