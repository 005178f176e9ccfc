// The browser's stand-in for GL 1.1: exactly the calls that polysketch makes.
// The page keeps the window's pixels itself, as a colour buffer filled from
// the runs that raster.js finds, and glFlush shows what changed on the canvas
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
    // The rectangle changed since the last flush, [x0, x1) by [y0, y1) in
    // the image's rows; empty where x0 >= x1.
    dirtyX0: 0,
    dirtyY0: 0,
    dirtyX1: 0,
    dirtyY1: 0,
    // The part [rowFrom, rowTo) of each row, in the image's rows, that the
    // primitive being drawn by copying covers and has yet to write; empty
    // where rowFrom >= rowTo.
    rowFrom: null,
    rowTo: null,
    // The rows [gatheredTop, gatheredBottom] of the image that may hold a
    // gathered part; empty where gatheredTop > gatheredBottom.
    gatheredTop: 0,
    gatheredBottom: -1,
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
    clipVertices: [],

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

    // A vertex in clip space as the renderer's vertex stage computes it, in
    // single precision: the product of the two matrices, then x, y, z = 0
    // and w = 1 taken column by column. The program's matrices keep w at 1.
    // The product is made again only after a matrix changes.
    mvp: null,
    toClip: (x, y) => {
      var f = Math.fround, p = gl11.projection, m = gl11.modelview;
      if (!gl11.mvp) {
        gl11.mvp = [];
        for (var col = 0; col < 4; ++col)
          for (var row = 0; row < 4; ++row) {
            var sum = f(f(p[row]) * f(m[col * 4]));
            for (var k = 1; k < 4; ++k)
              sum = f(sum + f(f(p[k * 4 + row]) * f(m[col * 4 + k])));
            gl11.mvp[col * 4 + row] = sum;
          }
      }
      var e = gl11.mvp, at = (row) => f(f(f(f(x * e[row]) + f(y * e[4 + row])) + f(0 * e[8 + row])) + e[12 + row]);
      return { x: at(0), y: at(1) };
    },

    // One word and its bytes for pack(), made at its first call: a
    // library's typed arrays cannot be written out as values.
    packedBytes: null,
    packedWord: null,
    // A colour as the buffer holds it, whatever the machine's byte order;
    // the window has no alpha, so only the mask leaves it out.
    pack: (r, g, b, alpha) => {
      var unorm = (c) => Math.round(Math.min(1, Math.max(0, c)) * 255);
      if (!gl11.packedWord) {
        gl11.packedWord = new Uint32Array(1);
        gl11.packedBytes = new Uint8Array(gl11.packedWord.buffer);
      }
      var bytes = gl11.packedBytes;
      bytes[0] = unorm(r);
      bytes[1] = unorm(g);
      bytes[2] = unorm(b);
      bytes[3] = alpha;
      return gl11.packedWord[0];
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
      gl11.rowFrom = new Int32Array(canvas.height);
      gl11.rowTo = new Int32Array(canvas.height);
      gl11.gatheredTop = canvas.height;
      // Black, GL's first clear colour, until the first repaint clears it.
      gl11.pixels.fill(gl11.pack(0, 0, 0, 255));
      gl11.modelview = gl11.identity();
      gl11.projection = gl11.identity();
      gl11.viewport = [0, 0, canvas.width, canvas.height];
      return true;
    },

    // Takes pixels [x0, x1) of rows [y0, y1) into the changed rectangle.
    touch: (x0, y0, x1, y1) => {
      if (gl11.dirtyX0 >= gl11.dirtyX1) {
        gl11.dirtyX0 = x0; gl11.dirtyY0 = y0; gl11.dirtyX1 = x1; gl11.dirtyY1 = y1;
        return;
      }
      gl11.dirtyX0 = Math.min(gl11.dirtyX0, x0); gl11.dirtyY0 = Math.min(gl11.dirtyY0, y0);
      gl11.dirtyX1 = Math.max(gl11.dirtyX1, x1); gl11.dirtyY1 = Math.max(gl11.dirtyY1, y1);
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

    // The runs that the rasteriser has left for rows y0 to y0 + rows - 1,
    // counted from the bottom as GL counts them, of a piece drawn by
    // exclusive-or: each piece inverts its own pixels at once.
    invert: (y0, rows) => {
      var from = raster.runFrom, to = raster.runTo, p = gl11.pixels, W = gl11.width, mask = gl11.xorMask;
      for (var r = 0, start = (gl11.height - 1 - y0) * W; r < rows; ++r, start -= W)
        for (var i = start - from[r], end = start + to[r]; i <= end; ++i)
          p[i] ^= mask;
    },

    // The runs of a piece of a primitive drawn by copying, gathered rather
    // than written: every pixel of the primitive gets the same colour
    // however many of its pieces cover it, and a polygon's fan, whose
    // triangles overlap where the polygon is not convex, would write most
    // pixels several times, a few at a time. A run that meets the part of
    // its row gathered so far joins it; of two that do not meet, the
    // shorter is written at once and the longer kept.
    gather: (y0, rows) => {
      var from = raster.runFrom, to = raster.runTo, rowFrom = gl11.rowFrom, rowTo = gl11.rowTo;
      var p = gl11.pixels, W = gl11.width, colour = gl11.colour, row = gl11.height - 1 - y0;
      gl11.gatheredTop = Math.min(gl11.gatheredTop, row - rows + 1);
      gl11.gatheredBottom = Math.max(gl11.gatheredBottom, row);
      for (var r = 0; r < rows; ++r, --row) {
        var x = -from[r], end = to[r] + 1, lo = rowFrom[row], hi = rowTo[row];
        if (end >= lo && x <= hi) {
          if (x < lo)
            rowFrom[row] = x;
          if (end > hi)
            rowTo[row] = end;
          continue;
        }
        if (x >= end)
          continue;
        if (end - x > hi - lo) {
          rowFrom[row] = x;
          rowTo[row] = end;
          x = lo;
          end = hi;
        }
        for (var i = row * W + x, last = row * W + end; i < last; ++i)
          p[i] = colour;
      }
    },

    // Writes what is gathered, and empties it.
    writeGathered: () => {
      var from = gl11.rowFrom, to = gl11.rowTo, W = gl11.width;
      for (var row = gl11.gatheredTop; row <= gl11.gatheredBottom; ++row) {
        if (from[row] < to[row])
          gl11.pixels.fill(gl11.colour, row * W + from[row], row * W + to[row]);
        to[row] = from[row];
      }
      gl11.gatheredTop = gl11.height;
      gl11.gatheredBottom = -1;
    },

    // What a piece can change, taken into the changed rectangle at once
    // rather than run by run: the box of its corners, widened by a point's
    // reach and a pixel for a line's, within the window. Showing a pixel
    // that did not change shows it as it is.
    touchPiece: (piece) => {
      var reach = Math.ceil(gl11.pointSize / 2) + 1, x0 = Infinity, x1 = -Infinity, y0 = Infinity, y1 = -Infinity;
      for (var i = 0; i < piece.length; ++i) {
        x0 = Math.min(x0, piece[i][0]); x1 = Math.max(x1, piece[i][0]);
        y0 = Math.min(y0, piece[i][1]); y1 = Math.max(y1, piece[i][1]);
      }
      var W = gl11.width, H = gl11.height;
      var left = Math.max(0, Math.floor(x0) - reach), right = Math.min(W, Math.ceil(x1) + reach);
      var bottom = Math.max(0, Math.floor(y0) - reach), top = Math.min(H, Math.ceil(y1) + reach);
      if (left < right && bottom < top)
        gl11.touch(left, H - top, right, H - bottom);
    },

    // A polygon with a corner beyond the guard band, as Mesa takes it: the
    // fan of triangles, each with its last corner first and the polygon's
    // first last, cut by the band where it reaches beyond it.
    drawClipped: (emit) => {
      var c = gl11.clipVertices, w = gl11.vertices;
      for (var i = 1; i + 1 < c.length; ++i) {
        gl11.touchPiece([w[i], w[i + 1], w[0]]);
        raster.clippedTriangle([c[i], c[i + 1], c[0]], gl11.viewport, gl11.width, gl11.height, emit);
      }
    },

    draw: (piece, emit) => {
      var W = gl11.width, H = gl11.height;
      gl11.touchPiece(piece);
      if (piece.length === 1)
        raster.point(piece[0][0], piece[0][1], gl11.pointSize, W, H, emit);
      else if (piece.length === 2)
        raster.line(piece[0][0], piece[0][1], piece[1][0], piece[1][1], W, H, emit);
      else
        raster.triangle(piece, W, H, emit);
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
    gl11.clipVertices = [];
  },
  glVertex2i: function(x, y) {
    gl11.vertices.push(gl11.toWindow(x, y));
    gl11.clipVertices.push(gl11.toClip(x, y));
  },
  glEnd: function() {
    var emit = gl11.logicOpEnabled && gl11.logicOp === 0x1506 ? gl11.invert : gl11.gather; // GL_XOR
    if (gl11.mode === 0x0009 && gl11.clipVertices.some((c) => raster.beyondBand(c)))
      gl11.drawClipped(emit);
    else
      gl11.pieces(gl11.mode, gl11.vertices).forEach((piece) => gl11.draw(piece, emit));
    gl11.writeGathered();
  },
  // What changed goes to the canvas at once, which the browser shows as soon
  // as the handler returns.
  glFlush: function() {
    var x0 = gl11.dirtyX0, y0 = gl11.dirtyY0;
    if (x0 >= gl11.dirtyX1)
      return;
    gl11.context.putImageData(gl11.image, 0, 0, x0, y0, gl11.dirtyX1 - x0, gl11.dirtyY1 - y0);
    gl11.dirtyX1 = x0;
  },
  // Kept for the vertices; the pixels are those of the whole canvas.
  glViewport: function(x, y, width, height) { gl11.viewport = [x, y, width, height]; },
  glMatrixMode: function(mode) { gl11.matrixMode = mode; },
  glLoadIdentity: function() {
    var m = gl11.current(), id = gl11.identity();
    gl11.mvp = null;
    for (var i = 0; i < 16; ++i)
      m[i] = id[i];
  },
  glOrtho: function(l, r, b, t, n, f) {
    gl11.mvp = null;
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
