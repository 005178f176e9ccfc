// Every window size shows the same fixed 512 x 384 scene, stretched to fit.

#include <GL/gl.h>
#include <GL/freeglut.h>

#include "shell.h"
#include "sketch.h"

void onReshape(int width, int height)
{
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, SCENE_WIDTH, 0.0, SCENE_HEIGHT, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glutPostRedisplay();
}
