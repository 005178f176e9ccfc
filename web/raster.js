// Which pixels a primitive covers, worked out here rather than left to the
// browser's rasteriser: browsers differ from one another, and from the
// desktop, exactly where a line or an edge runs through a pixel's centre.
// The rules are those of Mesa's software renderer, which the desktop program
// is tested on: fixed point with 8 bits below the pixel, planes with a
// top-left fill rule, and its diamond-exit set-up of one-pixel lines. Its
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

    // The largest x with b * x < a, for b > 0, and the smallest, for b < 0:
    // where a row's run of pixels ends and begins on one edge. The quotient
    // is corrected by exact products, as integers of this size are exact.
    last: (a, b) => {
      var x = Math.ceil(a / b) - 1;
      while (b * (x + 1) < a) ++x;
      while (b * x >= a) --x;
      return x;
    },
    first: (a, b) => {
      var x = Math.floor(a / b) + 1;
      while (b * (x - 1) < a) --x;
      while (b * x >= a) ++x;
      return x;
    },

    // Calls emit(x, y, length) for the run of pixels on each row whose
    // centre lies inside every edge of the clockwise convex polygon of
    // snapped corners (xs, ys); an edge's own centres count on its left and
    // top sides only. Each edge bounds the run on one side.
    cover: (xs, ys, width, height, emit) => {
      var ONE = raster.ONE, n = xs.length, planes = [];
      for (var i = 0; i < n; ++i) {
        var j = (i + 1) % n, dcdy = xs[i] - xs[j], dcdx = ys[i] - ys[j];
        var c = dcdx * xs[i] - dcdy * ys[i];
        if (dcdx < 0 || (dcdx === 0 && dcdy > 0))
          ++c;
        planes.push([c, dcdx * ONE, dcdy * ONE]);
      }
      var x0 = Math.max(0, Math.floor(Math.min(...xs) / ONE)), x1 = Math.min(width - 1, Math.ceil(Math.max(...xs) / ONE));
      var y0 = Math.max(0, Math.floor(Math.min(...ys) / ONE)), y1 = Math.min(height - 1, Math.ceil(Math.max(...ys) / ONE));
      for (var y = y0; y <= y1; ++y) {
        // Inside an edge where c + dcdy * y - dcdx * x > 0.
        var from = x0, to = x1;
        for (var k = 0; k < n && from <= to; ++k) {
          var a = planes[k][0] + planes[k][2] * y, b = planes[k][1];
          if (b > 0)
            to = Math.min(to, raster.last(a, b));
          else if (b < 0)
            from = Math.max(from, raster.first(a, b));
          else if (a <= 0)
            to = from - 1;
        }
        if (from <= to)
          emit(from, y, to - from + 1);
      }
    },

    // A one-pixel line between two points in window coordinates: the
    // parallelogram that Mesa sets up, its ends moved by the diamond-exit
    // rule, so that a line covers its first pixel but not its last.
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

    // A filled triangle, turned clockwise first; one with no area covers
    // nothing.
    triangle: (v, width, height, emit) => {
      var xs = v.map((p) => raster.snap(raster.f(raster.f(p[0]) - 0.5)));
      var ys = v.map((p) => raster.snap(raster.f(raster.f(p[1]) - 0.5)));
      var area = (xs[0] - xs[1]) * (ys[2] - ys[0]) - (xs[2] - xs[0]) * (ys[0] - ys[1]);
      if (area === 0)
        return;
      if (area < 0) {
        [xs[0], xs[1]] = [xs[1], xs[0]];
        [ys[0], ys[1]] = [ys[1], ys[0]];
      }
      raster.cover(xs, ys, width, height, emit);
    },

    // A square point: of odd size centred on the pixel the point lies in, of
    // even size on the pixel corner nearest to it.
    point: (x, y, size, width, height, emit) => {
      var n = Math.max(1, Math.round(size));
      var first = (v) => (n % 2 ? Math.floor(v) - (n - 1) / 2 : Math.round(v) - n / 2);
      var x0 = Math.max(0, first(x)), x1 = Math.min(width, first(x) + n);
      for (var row = Math.max(0, first(y)); row < Math.min(height, first(y) + n); ++row)
        if (x1 > x0)
          emit(x0, row, x1 - x0);
    },
  },
};

mergeInto(LibraryManager.library, polysketchRaster);
