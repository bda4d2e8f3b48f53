// The one place that sets the GL state the world draws in: every piece of it,
// over contrary state left by whoever drew before, with the light placed
// through the current model-view as GL places it.
#include <GL/gl.h>

#include "tests/support/GLHarness.h"
#include "world/GLStuff.h"

namespace {

void ExpectLight(GLenum name, float r, float g, float b, float a) {
    GLfloat v[4];
    glGetLightfv(GL_LIGHT0, name, v);
    EXPECT_FLOAT_EQ(v[0], r);
    EXPECT_FLOAT_EQ(v[1], g);
    EXPECT_FLOAT_EQ(v[2], b);
    EXPECT_FLOAT_EQ(v[3], a);
}

GLint Integer(GLenum name) {
    GLint v = 0;
    glGetIntegerv(name, &v);
    return v;
}

GLint TexGenMode(GLenum coord) {
    GLint v = 0;
    glGetTexGeniv(coord, GL_TEXTURE_GEN_MODE, &v);
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

    ExpectLight(GL_AMBIENT, 0.0f, 0.0f, 0.0f, 0.0f);
    ExpectLight(GL_DIFFUSE, 1.0f, 1.0f, 1.0f, 1.0f);
    ExpectLight(GL_SPECULAR, 0.3f, 0.3f, 0.3f, 1.0f);
    ExpectLight(GL_POSITION, 1.0f, 3.0f, 5.0f, 1.0f);  // in eye coordinates
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(Integer(GL_CULL_FACE_MODE), GL_BACK);
    EXPECT_EQ(TexGenMode(GL_S), GL_SPHERE_MAP);
    EXPECT_EQ(TexGenMode(GL_T), GL_SPHERE_MAP);
    EXPECT_EQ(Integer(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(Integer(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
    // Switching culling, blending and generation on is left to each drawing.
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glLoadIdentity();
}

}  // namespace
