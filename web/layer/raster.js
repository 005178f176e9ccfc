// Which pixels a primitive covers, worked out here rather than left to the
// browser's rasteriser: browsers differ from one another, and from the
// desktop, exactly where a line or an edge runs through a pixel's centre.
// The rules are those of Mesa's software renderer, which the desktop program
// is tested on: fixed point with 8 bits below the pixel, planes with a
// top-left fill rule, its diamond-exit set-up of one-pixel lines, and its
// cut of a triangle that reaches beyond its guard band. Its
// arithmetic is single precision, so every step here is rounded to it.

var polysketchRaster = {
  $raster: {
    ONE: 256,
    f: (v) => Math.fround(v),
    // Rounds half away from zero, in single precision.
    round: (v) => {
      var f = raster.f;
      v = f(v);
      return v >= 0 ? Math.trunc(f(v + 0.5)) : Math.trunc(f(v - 0.5));
    },
    snap: (v) => raster.round(raster.f(raster.ONE * v)),
    // Where in its pixel a coordinate lies, from -0.5 to just under 0.5.
    offset: (v) => raster.f(raster.f(v - Math.floor(v)) - 0.5),

    // The run [-runFrom[r], runTo[r]] of row y0 + r of the polygon being
    // covered, narrowed edge by edge; empty where -runFrom > runTo. The
    // first pixel is kept negated so that an edge on either side narrows a
    // run by taking the smaller bound. Made at the first call, one entry a
    // row, and kept (a library's typed arrays cannot be written out as
    // values).
    runFrom: null,
    runTo: null,

    // Sets the first `rows` runs to [x0, x1], the arrays made for a window
    // `height` rows high at the first call.
    startRuns: (x0, x1, rows, height) => {
      if (!raster.runFrom || raster.runFrom.length < height) {
        raster.runFrom = new Int32Array(height);
        raster.runTo = new Int32Array(height);
      }
      raster.runFrom.fill(-x0, 0, rows);
      raster.runTo.fill(x1, 0, rows);
    },

    // Narrows the runs of rows `first` to `last` by one edge, inside it
    // where a - b * x > 0 on the first row, a growing by s from row to row.
    // Where b > 0 the edge bounds a run on the right, at the largest x with
    // b * x < a, as q, with r = a - b * q in (0, b]; as a grows by s, q
    // and r are stepped by the quotient and remainder of s by b, found once:
    // exact integer arithmetic, as integers of this size are exact, and no
    // division for a row. Where b < 0 it is the same mirrored: the smallest
    // x with b * x < a is minus the largest x with -b * x < a, and so the
    // q that runFrom keeps. Where b == 0 each row lies wholly inside the
    // edge or wholly outside.
    narrow: (a, b, s, first, last) => {
      var d = Math.abs(b), bound = b > 0 ? raster.runTo : raster.runFrom, y;
      if (b === 0) {
        for (y = first; y <= last; ++y, a += s)
          if (a <= 0)
            raster.runTo[y] = -1;
        return;
      }
      var q = Math.ceil(a / d) - 1;
      while (d * (q + 1) < a) ++q;
      while (d * q >= a) --q;
      var r = a - d * q, qs = Math.floor(s / d), rs = s - d * qs;
      if (rs < 0) { rs += d; --qs; }
      if (rs >= d) { rs -= d; ++qs; }
      for (y = first; y <= last; ++y) {
        if (q < bound[y])
          bound[y] = q;
        q += qs;
        if ((r += rs) > d) {
          r -= d;
          ++q;
        }
      }
    },

    // Finds the run of pixels on each row whose centre lies inside every
    // edge of the clockwise convex polygon of snapped corners (xs, ys); an
    // edge's own centres count on its left and top sides only. Each edge
    // bounds the run on one side: inside it where
    // c + dcdy * y - dcdx * x > 0. Only rows whose centres lie within the
    // polygon's span of y can have any, and as the polygon is convex, an
    // edge bounds only the rows within its own span: a centre on any other
    // row that lies within the edges there lies within the polygon, and so
    // strictly inside this edge, never on it. Then calls emit(y0, rows) for
    // the runs of rows y0 to y0 + rows - 1: one call a primitive, not a run.
    cover: (xs, ys, width, height, emit) => {
      var e = raster, ONE = e.ONE, n = xs.length;
      var xMin = xs[0], xMax = xs[0], yMin = ys[0], yMax = ys[0];
      for (var i = 1; i < n; ++i) {
        xMin = Math.min(xMin, xs[i]); xMax = Math.max(xMax, xs[i]);
        yMin = Math.min(yMin, ys[i]); yMax = Math.max(yMax, ys[i]);
      }
      var x0 = Math.max(0, Math.floor(xMin / ONE)), x1 = Math.min(width - 1, Math.ceil(xMax / ONE));
      var y0 = Math.max(0, Math.ceil(yMin / ONE)), rows = Math.min(height - 1, Math.floor(yMax / ONE)) - y0 + 1;
      if (rows <= 0)
        return;
      e.startRuns(x0, x1, rows, height);
      for (var i = 0; i < n; ++i) {
        var j = (i + 1) % n, dcdy = xs[i] - xs[j], dcdx = ys[i] - ys[j];
        var c = dcdx * xs[i] - dcdy * ys[i];
        if (dcdx < 0 || (dcdx === 0 && dcdy > 0))
          ++c;
        var first = Math.max(0, Math.ceil(Math.min(ys[i], ys[j]) / ONE) - y0);
        var last = Math.min(rows - 1, Math.floor(Math.max(ys[i], ys[j]) / ONE) - y0);
        if (first <= last)
          e.narrow(c + dcdy * ONE * (y0 + first), dcdx * ONE, dcdy * ONE, first, last);
      }
      emit(y0, rows);
    },

    // A one-pixel line between two points in window coordinates: the
    // parallelogram that Mesa sets up, its ends moved by the diamond-exit
    // rule, so that a line covers its first pixel but not its last. It is
    // drawn whole however far it reaches, as Debian 13's Mesa draws it;
    // Debian 12's cut it at its guard band.
    line: (v1x, v1y, v2x, v2y, width, height, emit) => {
      var f = raster.f, snap = raster.snap, off = raster.offset, sign = (v) => v >= 0;
      v1x = f(v1x); v1y = f(v1y); v2x = f(v2x); v2y = f(v2y);
      var dx = f(v1x - v2x), dy = f(v1y - v2y);
      if (f(f(dx * dx) + f(dy * dy)) === 0)
        return;
      var x1diff = off(v1x), y1diff = off(v1y), x2diff = off(v2x), y2diff = off(v2y);
      var nearStart = f(Math.abs(x1diff) + Math.abs(y1diff)) < 0.5, nearEnd = f(Math.abs(x2diff) + Math.abs(y2diff)) < 0.5;
      var xo = 0, yo = 0, xoe = 0, yoe = 0, drawStart, drawEnd, t, half = raster.ONE / 2;
      var at = (v, o) => snap(f(f(v + o) - 0.5));
      if (Math.abs(dx) >= Math.abs(dy)) {
        var dydx = f(dy / dx);
        if (y2diff === -0.5 && dy < 0)
          y2diff = 0.5;
        if (nearStart)
          drawStart = true;
        else if (sign(x1diff) === sign(-dx))
          drawStart = false;
        else if (sign(-y1diff) !== sign(dy))
          drawStart = true;
        else
          drawStart = (t = f(f(v1y - Math.floor(v1y)) + f(x1diff * dydx))) < 1 && t > 0;
        if (nearEnd)
          drawEnd = false;
        else if (sign(x2diff) !== sign(-dx))
          drawEnd = false;
        else if (sign(-y2diff) === sign(dy))
          drawEnd = true;
        else
          drawEnd = (t = f(f(v2y - Math.floor(v2y)) + f(x2diff * dydx))) < 1 && t > 0;
        if (dx < 0) {
          [v1x, v1y, v2x, v2y] = [v2x, v2y, v1x, v1y];
          if ((x1diff <= 0) !== drawStart)
            yoe = f((xoe = f(-x1diff - 0.5)) * dydx);
          if ((x2diff > 0) !== drawEnd)
            yo = f((xo = f(-x2diff - 0.5)) * dydx);
        } else {
          if ((x1diff > 0) !== drawStart)
            yo = f((xo = f(-x1diff + 0.5)) * dydx);
          if ((x2diff <= 0) !== drawEnd)
            yoe = f((xoe = f(-x2diff + 0.5)) * dydx);
        }
        var a = at(v1x, xo), b = at(v2x, xoe), ay = at(v1y, yo), by = at(v2y, yoe);
        raster.cover([a, b, b, a], [ay - half, by - half, by + half, ay + half], width, height, emit);
      } else {
        var dxdy = f(dx / dy);
        if (x2diff === -0.5 && dx < 0)
          x2diff = 0.5;
        if (nearStart)
          drawStart = true;
        else if (sign(-y1diff) === sign(dy))
          drawStart = false;
        else if (sign(x1diff) !== sign(-dx))
          drawStart = true;
        else
          drawStart = (t = f(f(v1x - Math.floor(v1x)) + f(y1diff * dxdy))) < 1 && t > 0;
        if (nearEnd)
          drawEnd = false;
        else if (sign(-y2diff) !== sign(dy))
          drawEnd = false;
        else if (sign(x2diff) === sign(-dx))
          drawEnd = true;
        else
          drawEnd = (t = f(f(v2x - Math.floor(v2x)) + f(y2diff * dxdy))) < 1 && t >= 0;
        if (dy > 0) {
          [v1x, v1y, v2x, v2y] = [v2x, v2y, v1x, v1y];
          if ((y1diff > 0) !== drawStart)
            xoe = f((yoe = f(-y1diff + 0.5)) * dxdy);
          if ((y2diff <= 0) !== drawEnd)
            xo = f((yo = f(-y2diff + 0.5)) * dxdy);
        } else {
          if ((y1diff <= 0) !== drawStart)
            xo = f((yo = f(-y1diff - 0.5)) * dxdy);
          if ((y2diff > 0) !== drawEnd)
            xoe = f((yoe = f(-y2diff - 0.5)) * dxdy);
        }
        var a = at(v1x, xo), b = at(v2x, xoe), ay = at(v1y, yo), by = at(v2y, yoe);
        raster.cover([a - half, b - half, b + half, a + half], [ay, by, by, ay], width, height, emit);
      }
    },

    // A filled triangle of window coordinates, turned clockwise first; one
    // with no area covers nothing.
    triangle: (v, width, height, emit) => {
      var xs = v.map((p) => raster.snap(raster.f(raster.f(p[0]) - 0.5)));
      var ys = v.map((p) => raster.snap(raster.f(raster.f(p[1]) - 0.5)));
      raster.fixedTriangle(xs, ys, width, height, emit);
    },

    // The same, of corners already on the sub-pixel grid, less half a pixel.
    fixedTriangle: (xs, ys, width, height, emit) => {
      var area = (xs[0] - xs[1]) * (ys[2] - ys[0]) - (xs[2] - xs[0]) * (ys[0] - ys[1]);
      if (area === 0)
        return;
      if (area < 0) {
        [xs[0], xs[1]] = [xs[1], xs[0]];
        [ys[0], ys[1]] = [ys[1], ys[0]];
      }
      raster.cover(xs, ys, width, height, emit);
    },

    // Mesa's guard band, a band around the window half its size on every
    // side, in clip space |x| <= 2w and |y| <= 2w: a triangle with a corner
    // beyond it is cut at its edge before it is drawn, as GL's clipping
    // allows, and one within it is drawn whole. Its vertex stage tests each
    // corner, and its clipper cuts by the planes that some corner fails, in
    // this order, in single precision. Clip-space points are {x, y}, with
    // w = 1 and z = 0 throughout.
    BAND_PLANES: [(c) => raster.f(raster.f(-0.5 * c.x) + 1), (c) => raster.f(raster.f(0.5 * c.x) + 1),
                  (c) => raster.f(raster.f(-0.5 * c.y) + 1), (c) => raster.f(raster.f(0.5 * c.y) + 1)],
    beyondBand: (c) => {
      var mask = 0;
      for (var k = 0; k < 4; ++k)
        if (!(raster.BAND_PLANES[k](c) >= 0))
          mask |= 1 << k;
      return mask;
    },

    // Where the edge from `out` towards `inside` crosses a plane, at t of
    // the way, as Mesa's clipper interpolates it: out + t * (in - out).
    interpolate: (t, out, inside) => {
      var f = raster.f;
      return { x: f(out.x + f(t * f(inside.x - out.x))), y: f(out.y + f(t * f(inside.y - out.y))) };
    },

    // Sutherland and Hodgman's clipping of a triangle by the band's planes
    // that its corners fail, as Mesa's clipper does it: each plane in turn,
    // the polygon walked from its first corner, a new corner interpolated
    // from whichever end keeps the division well away from zero. Returns
    // the clipped polygon's corners, or none.
    clipToBand: (corners) => {
      var f = raster.f, mask = 0, all = 15;
      for (var i = 0; i < corners.length; ++i) {
        var m = raster.beyondBand(corners[i]);
        mask |= m;
        all &= m;
      }
      if (all)
        return [];
      var list = corners;
      for (var k = 0; k < 4 && list.length >= 3; ++k) {
        if (!(mask & (1 << k)))
          continue;
        var plane = raster.BAND_PLANES[k], kept = [], prev = list[0], dPrev = plane(prev);
        for (var i = 1; i <= list.length; ++i) {
          var vert = list[i % list.length], d = plane(vert), crosses;
          if (dPrev >= 0) {
            kept.push(prev);
            crosses = d < 0;
          } else {
            crosses = !(d < 0);
          }
          if (crosses) {
            var denom = f(d - dPrev);
            if (d < 0)
              kept.push(-d < dPrev ? raster.interpolate(f(d / denom), vert, prev)
                                   : raster.interpolate(f(-dPrev / denom), prev, vert));
            else
              kept.push(-dPrev < d ? raster.interpolate(f(-dPrev / denom), prev, vert)
                                   : raster.interpolate(f(d / denom), vert, prev));
          }
          prev = vert;
          dPrev = d;
        }
        list = kept;
      }
      return list;
    },

    // Rounds half to even, as the processor's conversion does.
    roundEven: (v) => {
      var r = Math.round(v);
      return r - v === 0.5 && r % 2 !== 0 ? r - 1 : r;
    },

    // A clip-space point through the viewport onto the sub-pixel grid, less
    // half a pixel, as Mesa's clipper and rasteriser take it: in single
    // precision, in the window system's rows from the top, then counted
    // from the bottom as the rest of this file counts them.
    // viewport: [x, y, width, height] of a window `height` rows high.
    toGrid: (c, viewport, height) => {
      var f = raster.f, ONE = raster.ONE, half = f(viewport[2] / 2), halfH = f(viewport[3] / 2);
      var x = f(f(c.x * half) + f(viewport[0] + half));
      var yDown = f(f(c.y * -halfH) + f(height - (viewport[1] + halfH)));
      return [raster.roundEven(f(f(x - 0.5) * ONE)), (height - 1) * ONE - raster.roundEven(f(f(yDown - 0.5) * ONE))];
    },

    // A triangle of clip-space corners: cut by the band where a corner lies
    // beyond it, and the polygon left drawn as the fan of triangles that
    // Mesa's clipper makes of it.
    clippedTriangle: (corners, viewport, width, height, emit) => {
      var list = raster.clipToBand(corners).map((c) => raster.toGrid(c, viewport, height));
      for (var i = 2; i < list.length; ++i) {
        var fan = [list[i - 1], list[i], list[0]];
        raster.fixedTriangle(fan.map((p) => p[0]), fan.map((p) => p[1]), width, height, emit);
      }
    },

    // A square point: of odd size centred on the pixel the point lies in, of
    // even size on the pixel corner nearest to it.
    point: (x, y, size, width, height, emit) => {
      var n = Math.max(1, Math.round(size));
      var first = (v) => (n % 2 ? Math.floor(v) - (n - 1) / 2 : Math.round(v) - n / 2);
      var x0 = Math.max(0, first(x)), x1 = Math.min(width, first(x) + n) - 1;
      var y0 = Math.max(0, first(y)), rows = Math.min(height, first(y) + n) - y0;
      if (x0 > x1 || rows <= 0)
        return;
      raster.startRuns(x0, x1, rows, height);
      emit(y0, rows);
    },
  },
};

mergeInto(LibraryManager.library, polysketchRaster);
