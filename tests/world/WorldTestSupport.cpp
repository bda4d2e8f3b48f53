#include "tests/world/WorldTestSupport.h"

#include <GL/gl.h>

#include <cstdlib>

#include "world/GLStuff.h"

std::string DataDir() {
    const char* dir = getenv("DOVEL_DATA_DIR");
    return dir != nullptr ? dir : "";
}

void WorldTest::SetUp() {
    GLTest::SetUp();
    // The host's depth test and colour material, then the scene controller's state.
    SetupWorldGLState(kWorldLightPos);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    SetSceneCamera(width, height);
    ExtractFrustum();
    srand(kWorldSeed);
}

void WorldTest::TearDown() {
    world.Cleanup();
    GLTest::TearDown();
}

void WorldTest::Frames(int n) {
    for (int i = 0; i < n; ++i) {
        clock += kStep;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SetSceneCamera(width, height);
        ExtractFrustum();
        glEnable(GL_TEXTURE_2D);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        glPushMatrix();
        world.Draw(kStep, clock);
        glPopMatrix();
        glDisable(GL_TEXTURE_2D);
    }
}

int WorldTest::ActiveHearts() const {
    int n = 0;
    for (int i = 0; i < world.numHearts; ++i) n += world.hearts[i].active ? 1 : 0;
    return n;
}

void WorldTest::ClearHearts() {
    for (int i = 0; i < world.numHearts; ++i) world.hearts[i].active = false;
}

ONEHEART& WorldTest::PlaceHeart(int i, VECTOR3D p, int size, float rise) {
    ONEHEART& heart = world.hearts[i] = ONEHEART();
    heart.active = true;
    heart.pos = p;
    heart.size = size;
    heart.rise = rise;
    return heart;
}
