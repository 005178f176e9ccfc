// The floor for the motion benchmark: a bare single-buffered window whose
// motion handler draws the same two exclusive-or lines per event and nothing else.

#include <GL/gl.h>
#include <GL/freeglut.h>

static int endX = 256;
static int endY = 192;

static void onDisplay()
{
    glClear(GL_COLOR_BUFFER_BIT);
    glFlush();
}

static void onReshape(int width, int height)
{
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 512.0, 0.0, 384.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glutPostRedisplay();
}

static void onMotion(int x, int y)
{
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_COLOR_LOGIC_OP);
    glBegin(GL_LINES);
    glVertex2i(256, 192);
    glVertex2i(endX, endY);
    glVertex2i(256, 192);
    glVertex2i(x, 384 - y);
    glEnd();
    glFlush();
    glDisable(GL_COLOR_LOGIC_OP);
    endX = x;
    endY = 384 - y;
}

int main(int argc, char** argv)
{
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_SINGLE | GLUT_RGB);
    glutInitWindowSize(512, 384);
    glutInitWindowPosition(256, 192);
    glutCreateWindow(argv[0]);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glLogicOp(GL_XOR);
    glutDisplayFunc(onDisplay);
    glutReshapeFunc(onReshape);
    glutMotionFunc(onMotion);
    glutMainLoop();
    return 0;
}
