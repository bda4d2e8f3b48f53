// The one place that sets the GL state the world draws in: every piece of it,
// over contrary state left by whoever drew before, with the light placed
// through the current model-view as GL places it.
#include <GL/gl.h>

#include "tests/support/GLHarness.h"
#include "world/GLStuff.h"

namespace {

GLint Integer(GLenum name) {
    GLint v = 0;
    glGetIntegerv(name, &v);
    return v;
}

TEST_F(GLTest, TheWorldsGLStateIsSetWholeOverContraryState) {
    const GLfloat grey[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    for (GLenum name : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR}) glLightfv(GL_LIGHT0, name, grey);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glCullFace(GL_FRONT);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glBlendFunc(GL_ONE, GL_ZERO);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1.0f, -2.0f, 0.0f);

    SetupWorldGLState(VECTOR3D{0.0f, 5.0f, 5.0f});

    // Light 0: no ambient, white diffuse, dim specular, placed in eye coordinates.
    const GLenum names[] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_POSITION};
    const GLfloat expected[4][4] = {{0, 0, 0, 0}, {1, 1, 1, 1}, {0.3f, 0.3f, 0.3f, 1}, {1, 3, 5, 1}};
    for (int n = 0; n < 4; ++n) {
        GLfloat v[4];
        glGetLightfv(GL_LIGHT0, names[n], v);
        for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(v[i], expected[n][i]) << n << "," << i;
    }
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(Integer(GL_CULL_FACE_MODE), GL_BACK);
    for (GLenum coord : {GL_S, GL_T}) {
        GLint mode = 0;
        glGetTexGeniv(coord, GL_TEXTURE_GEN_MODE, &mode);
        EXPECT_EQ(mode, GL_SPHERE_MAP) << coord;
    }
    EXPECT_EQ(Integer(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(Integer(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
    // Switching culling, blending and generation on is left to each drawing.
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE) || glIsEnabled(GL_BLEND) || glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
