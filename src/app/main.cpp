// Entry point: opens the sketch window, installs the handlers and hands
// control to the toolkit's event loop.

#include <GL/freeglut.h>

#include "shell.h"
#include "sketch.h"

// Stands in for the invocation name when a launcher passes none, so that
// neither the toolkit nor the window title gets a null or empty name. Linux
// turns an empty argument vector into a single empty string.
static char fallbackName[] = "polysketch";
static char* fallbackArgv[] = {fallbackName, nullptr};

int main(int argc, char** argv)
{
    if (argc < 1) {
        argc = 1;
        argv = fallbackArgv;
    } else if (argv[0][0] == '\0') {
        argv[0] = fallbackName;
    }
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_SINGLE | GLUT_RGB);
    glutInitWindowSize(SCENE_WIDTH, SCENE_HEIGHT);
    glutInitWindowPosition(256, 192);
    glutCreateWindow(argv[0]);
    initSketch();
    glutDisplayFunc(onDisplay);
    glutReshapeFunc(onReshape);
    glutMouseFunc(onMouseButton);
    glutMotionFunc(onMouseDrag);
    glutMainLoop();
    return 0;
}
