// Mouse buttons: a left press starts an edge, a left release stores a vertex,
// a middle or right press closes and fills the polygon.

#include <GL/gl.h>
#include <GL/freeglut.h>

#include "sketch.h"

// A full list ignores the vertex: nothing is stored, drawn or flushed.
static void appendVertex(IntPoint q)
{
    if (vertexCount >= MAX_VERTICES)
        return;
    vertices[vertexCount] = q;
    ++vertexCount;
    glColor3f(0.0f, 0.0f, 0.0f);
    glBegin(GL_POINTS);
    glVertex2i(q.x, q.y);
    glEnd();
    glFlush();
}

static void drawLine(IntPoint from, IntPoint to)
{
    glColor3f(0.0f, 0.0f, 0.0f);
    glBegin(GL_LINES);
    glVertex2i(from.x, from.y);
    glVertex2i(to.x, to.y);
    glEnd();
    glFlush();
}

static void beginPolygon(IntPoint p)
{
    polygonClosed = false;
    vertexCount = 0;
    // No flush here: the dot drawn next flushes the cleared window with it.
    glClear(GL_COLOR_BUFFER_BIT);
    appendVertex(p);
}

static void onLeftPress(IntPoint p)
{
    if (polygonClosed)
        beginPolygon(p);
    // On a new polygon this line has zero length; it is drawn all the same.
    IntPoint last = vertices[vertexCount - 1];
    drawLine(last, p);
    rubberSegment[0] = last;
    rubberSegment[1] = p;
    rubberActive = true;
}

static void onLeftRelease(IntPoint p)
{
    // The edge is already on screen: the last line drawn from the anchor.
    appendVertex(p);
    rubberActive = false;
}

static void closePolygon()
{
    drawLine(vertices[vertexCount - 1], vertices[0]);
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_POLYGON);
    for (int i = 0; i < vertexCount; ++i)
        glVertex2i(vertices[i].x, vertices[i].y);
    glEnd();
    glFlush();
    polygonClosed = true;
}

void onMouseButton(int button, int state, int x, int y)
{
    // Fixed height, no scaling: positions follow the initial window size.
    IntPoint p = {x, SCENE_HEIGHT - y};
    if (button == GLUT_LEFT_BUTTON) {
        if (state == GLUT_DOWN)
            onLeftPress(p);
        else
            onLeftRelease(p);
    } else if ((button == GLUT_MIDDLE_BUTTON || button == GLUT_RIGHT_BUTTON)
               && state == GLUT_DOWN && vertexCount > 2) {
        closePolygon();
    }
}
