#include "tests/support/GLHarness.h"

#include <GL/gl.h>
#include <GL/glu.h>

Rgba ReadPixel(int x, int y) {
    Rgba p{0, 0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &p);
    return p;
}

std::vector<uint8_t> ReadFramebuffer(int w, int h) {
    return ReadFramePixels(w, h);
}

void SetSceneCamera(int w, int h) {
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(w) / h, 1.0, 120.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void SetPixelSpace(int w, int h) {
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, w, 0, h, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void GLTest::SetUp() {
    std::string error;
    ASSERT_TRUE(gl.Create(width, height, &error)) << "no headless OpenGL context: " << error;
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void GLTest::TearDown() {
    gl.Destroy();
}

void GLTest::ResizeDrawable(int w, int h) {
    std::string error;
    ASSERT_TRUE(gl.Resize(w, h, &error)) << error;
    width = w;
    height = h;
    glViewport(0, 0, w, h);
}
