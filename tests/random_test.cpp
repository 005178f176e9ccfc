// A long random session of handler calls: whatever the toolkit reports, the
// vertex list stays within its bounds (the sanitizer build checks every access).

#include <random>

#include "probe.h"
#include "sketch.h"

TEST(RandomSession, VertexListStaysWithinBounds)
{
    resetSketch();
    std::mt19937 random(20261208);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    auto position = [&] { return pick(0, 3) == 0 ? pick(-100000, 100000) : pick(-10, 520); };
    const int states[] = {0, 1, 2, -1, 100};
    int fullLists = 0;

    for (int call = 0; call < 120000; ++call) {
        // Every fourth block of a thousand calls never closes the polygon,
        // so that the list fills up and overflows.
        bool mayClose = (call / 1000) % 4 != 0;
        int kind = pick(0, 9);
        if (kind < 3) {
            onMouseDrag(position(), position());
        } else if (kind == 3) {
            onDisplay();
        } else {
            int button = kind < 8 ? 0 : pick(-1, 5);
            if (!mayClose && (button == 1 || button == 2))
                button = 3;
            onMouseButton(button, states[pick(0, 4)], position(), position());
        }
        ASSERT_GE(vertexCount, polygonClosed ? 0 : 1) << "after call " << call;
        ASSERT_LE(vertexCount, MAX_VERTICES) << "after call " << call;
        fullLists += vertexCount == MAX_VERTICES;
    }
    EXPECT_GT(fullLists, 1000); // the full list was met, often
}
