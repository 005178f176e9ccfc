// Full repaint of the scene from the stored vertices, for exposures and resizes.

#include <GL/gl.h>

#include "sketch.h"

static void emitVertices()
{
    for (int i = 0; i < vertexCount; ++i)
        glVertex2i(vertices[i].x, vertices[i].y);
}

static void drawPrimitive(GLenum mode)
{
    glBegin(mode);
    emitVertices();
    glEnd();
}

void onDisplay()
{
    glClear(GL_COLOR_BUFFER_BIT);
    if (vertexCount != 0) {
        // One black serves the dots and the outline after them.
        glColor3f(0.0f, 0.0f, 0.0f);
        drawPrimitive(GL_POINTS);
        if (polygonClosed) {
            drawPrimitive(GL_LINE_LOOP);
            glColor3f(1.0f, 0.0f, 0.0f);
            drawPrimitive(GL_POLYGON);
        } else {
            drawPrimitive(GL_LINE_STRIP);
        }
    }
    glFlush();
}
