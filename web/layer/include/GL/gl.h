// The GL 1.1 calls that polysketch makes, and only those: the page's layer
// (platform.js) implements each of them on WebGL, so a call it lacks fails
// to compile here rather than to draw in the browser.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned int GLenum;
typedef unsigned int GLbitfield;
typedef int GLint;
typedef int GLsizei;
typedef float GLfloat;
typedef double GLdouble;

#define GL_POINTS 0x0000
#define GL_LINES 0x0001
#define GL_LINE_LOOP 0x0002
#define GL_LINE_STRIP 0x0003
#define GL_POLYGON 0x0009
#define GL_COLOR_BUFFER_BIT 0x00004000
#define GL_COLOR_LOGIC_OP 0x0BF2
#define GL_XOR 0x1506
#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701

void glClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void glClear(GLbitfield mask);
void glPointSize(GLfloat size);
void glLogicOp(GLenum opcode);
void glEnable(GLenum cap);
void glDisable(GLenum cap);
void glColor3f(GLfloat red, GLfloat green, GLfloat blue);
void glBegin(GLenum mode);
void glVertex2i(GLint x, GLint y);
void glEnd(void);
void glFlush(void);
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void glMatrixMode(GLenum mode);
void glLoadIdentity(void);
void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar);

#ifdef __cplusplus
}
#endif
