// The polygon sketcher: its shared state, the constants of the fixed scene,
// and the handlers that the application shell installs.
#pragma once

#include <cstdint>

struct IntPoint {
    std::int32_t x;
    std::int32_t y;
};

constexpr int MAX_VERTICES = 100;
constexpr int SCENE_WIDTH = 512;
constexpr int SCENE_HEIGHT = 384;
constexpr float POINT_SIZE = 5.0f;

// The sketch state. Plain globals: every handler runs on the one event-loop
// thread, so they need no guarding.
extern bool rubberActive;
extern bool polygonClosed;
extern IntPoint vertices[MAX_VERTICES];
extern std::int32_t vertexCount;
extern IntPoint rubberSegment[2];

void initSketch();
void onDisplay();
void onMouseButton(int button, int state, int x, int y);
void onMouseDrag(int x, int y);
