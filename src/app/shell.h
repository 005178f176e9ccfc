// The application shell's own handler, shared with the tests that need the
// program's exact projection.
#pragma once

void onReshape(int width, int height);
