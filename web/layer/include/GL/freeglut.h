// The window-toolkit calls that polysketch makes, and only those, which the
// page's layer (platform.js) implements on its canvas.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#define GLUT_RGB 0
#define GLUT_SINGLE 0
#define GLUT_LEFT_BUTTON 0
#define GLUT_MIDDLE_BUTTON 1
#define GLUT_RIGHT_BUTTON 2
#define GLUT_DOWN 0
#define GLUT_UP 1

void glutInit(int* argcp, char** argv);
void glutInitDisplayMode(unsigned int mode);
void glutInitWindowSize(int width, int height);
void glutInitWindowPosition(int x, int y);
int glutCreateWindow(const char* title);
void glutDisplayFunc(void (*callback)(void));
void glutReshapeFunc(void (*callback)(int width, int height));
void glutMouseFunc(void (*callback)(int button, int state, int x, int y));
void glutMotionFunc(void (*callback)(int x, int y));
void glutPostRedisplay(void);
void glutMainLoop(void);

#ifdef __cplusplus
}
#endif
