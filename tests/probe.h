// Test support: a real sketch window on the test's X display, and exact-colour
// probes of the pixels it shows.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sketch.h"

inline bool operator==(IntPoint a, IntPoint b) { return a.x == b.x && a.y == b.y; }
inline void PrintTo(IntPoint p, std::ostream* out) { *out << "(" << p.x << ", " << p.y << ")"; }

struct Rgb {
    unsigned char r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

inline constexpr Rgb WHITE{255, 255, 255};
inline constexpr Rgb BLACK{0, 0, 0};
inline constexpr Rgb RED{255, 0, 0};
inline constexpr Rgb CYAN{0, 255, 255};

// Pixels in the row order of their source: GL frames count rows from the
// bottom, X frames from the top.
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    Rgb at(int x, int y) const { return pixels[y * width + x]; }
};

::testing::AssertionResult pixelIs(const Frame& frame, int x, int y, Rgb expected);
// Every pixel outside the box [x0, x1] x [y0, y1] has the colour; an empty box
// (x0 > x1) covers the whole frame.
::testing::AssertionResult restIs(const Frame& frame, Rgb expected,
                                  int x0 = 1, int y0 = 0, int x1 = 0, int y1 = 0);
// The observed frame is pixel for pixel the expected one.
::testing::AssertionResult framesMatch(const Frame& expected, const Frame& observed);

// Opens the program's window once per process, with the program's handlers
// for display and reshape, and waits for its first redraw.
void openSketchWindow();
// Everything the window shows now, read from the front buffer.
Frame grabWindow();
// The state a fresh start gives, with the window repainted.
void resetSketch();

// Button events as the toolkit reports them, in window pixels.
void press(int button, int x, int y);
void release(int button, int x, int y);
void click(int x, int y);
// From a fresh start, clicks out the triangle (100, 100), (300, 100),
// (300, 250) in scene terms; the first click stores its point twice.
void clickTriangle();
