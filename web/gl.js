// The browser's stand-in for GL 1.1: exactly the calls that polysketch makes,
// on a WebGL canvas. Every primitive's pixels are worked out by raster.js and
// each is drawn as a point one pixel wide at its centre, so that the
// browser's own rasteriser has no choice to make. (Rows of pixels drawn as
// two triangles each came out striped in blue and green in Debian 13's
// Firefox on Mesa's software renderer, once the canvas had been shown.) It is
// linked with Emscripten's own GL library left out, so no symbol here
// overrides one of its and a call this lacks fails to link.

var polysketchGL = {
  $gl11: {
    gl: null,
    colourUniform: null,
    buffer: null,
    width: 0,
    height: 0,
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

    // Returns false where the browser has no WebGL.
    createContext: (canvas) => {
      // Kept between frames, as a single-buffered window keeps its pixels:
      // the program draws the band and the dots over what is there.
      var gl = canvas.getContext('webgl', {
        preserveDrawingBuffer: true, antialias: false, alpha: false, depth: false, stencil: false });
      if (!gl)
        return false;
      var shader = (type, source) => {
        var s = gl.createShader(type);
        gl.shaderSource(s, source);
        gl.compileShader(s);
        return s;
      };
      var program = gl.createProgram();
      gl.attachShader(program, shader(gl.VERTEX_SHADER,
        'attribute vec2 position;' +
        'void main() { gl_Position = vec4(position, 0.0, 1.0); gl_PointSize = 1.0; }'));
      gl.attachShader(program, shader(gl.FRAGMENT_SHADER,
        'precision mediump float; uniform vec3 colour;' +
        'void main() { gl_FragColor = vec4(colour, 1.0); }'));
      gl.linkProgram(program);
      gl.useProgram(program);
      gl11.colourUniform = gl.getUniformLocation(program, 'colour');
      gl11.buffer = gl.createBuffer();
      gl.bindBuffer(gl.ARRAY_BUFFER, gl11.buffer);
      gl.enableVertexAttribArray(0);
      gl.vertexAttribPointer(0, 2, gl.FLOAT, false, 0, 0);
      // The pixels are given in those of the whole canvas.
      gl.viewport(0, 0, canvas.width, canvas.height);
      gl11.gl = gl;
      gl11.width = canvas.width;
      gl11.height = canvas.height;
      gl11.modelview = gl11.identity();
      gl11.projection = gl11.identity();
      gl11.viewport = [0, 0, canvas.width, canvas.height];
      return true;
    },

    // XOR has no WebGL counterpart. With white, the only colour the program
    // draws by XOR, it is exactly 1 - destination, which blending gives.
    updateBlend: () => {
      var gl = gl11.gl;
      if (gl11.logicOpEnabled && gl11.logicOp === 0x1506) {
        gl.enable(gl.BLEND);
        gl.blendFuncSeparate(gl.ONE_MINUS_DST_COLOR, gl.ZERO, gl.ZERO, gl.ONE);
      } else {
        gl.disable(gl.BLEND);
      }
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

    draw: (piece) => {
      var centres = [], W = gl11.width, H = gl11.height;
      var emit = (x, y, length) => {
        for (var i = 0; i < length; ++i)
          centres.push((x + i + 0.5) / W * 2 - 1, (y + 0.5) / H * 2 - 1);
      };
      if (piece.length === 1)
        raster.point(piece[0][0], piece[0][1], gl11.pointSize, W, H, emit);
      else if (piece.length === 2)
        raster.line(piece[0][0], piece[0][1], piece[1][0], piece[1][1], W, H, emit);
      else
        raster.triangle(piece, W, H, emit);
      if (centres.length === 0)
        return;
      var gl = gl11.gl;
      gl.bufferData(gl.ARRAY_BUFFER, new Float32Array(centres), gl.STREAM_DRAW);
      gl.drawArrays(gl.POINTS, 0, centres.length / 2);
    },
  },

  glClearColor: function(r, g, b, a) { gl11.gl.clearColor(r, g, b, a); },
  glClear: function(mask) { gl11.gl.clear(mask); },
  glPointSize: function(size) { gl11.pointSize = size; },
  glLogicOp: function(op) {
    gl11.logicOp = op;
    gl11.updateBlend();
  },
  glEnable: function(cap) {
    if (cap === 0x0BF2) { // GL_COLOR_LOGIC_OP
      gl11.logicOpEnabled = true;
      gl11.updateBlend();
    }
  },
  glDisable: function(cap) {
    if (cap === 0x0BF2) {
      gl11.logicOpEnabled = false;
      gl11.updateBlend();
    }
  },
  glColor3f: function(r, g, b) { gl11.colour = [r, g, b]; },
  glBegin: function(mode) {
    gl11.mode = mode;
    gl11.vertices = [];
  },
  glVertex2i: function(x, y) { gl11.vertices.push(gl11.toWindow(x, y)); },
  glEnd: function() {
    gl11.gl.uniform3fv(gl11.colourUniform, gl11.colour);
    gl11.pieces(gl11.mode, gl11.vertices).forEach(gl11.draw);
  },
  // The browser shows the canvas as soon as the handler returns.
  glFlush: function() {},
  // Kept for the vertices; the pixels are drawn on the whole canvas.
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
