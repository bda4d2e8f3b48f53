#include "tools/review/ReviewArt.h"

#include <GL/gl.h>

#include <fstream>

#include "assets/Pics.h"
#include "assets/ResFile.h"
#include "world/GLStuff.h"

namespace {

bool LoadLump(const std::string& path, int lump, MS3D* model) {
    RESFILE pack;
    if (!pack.Open(path.c_str()) || !pack.SeekLump(lump)) return false;
    return model->LoadFromFStream(&pack.file);
}

}  // namespace

ReviewArt::~ReviewArt() {
    Release();
}

void ReviewArt::Release() {
    delete[] pack;
    pack = nullptr;
    delete[] archerTex;
    archerTex = nullptr;
    backdrop.Cleanup();
}

bool ReviewArt::Load(const std::string& dataDir, std::string* error) {
    std::string textures = dataDir + "tarnwick.works";
    std::string archerPack = dataDir + "dovel.ple";
    std::string objects = dataDir + "obj.ple";
    if (!LoadTexturesFromDataFile(textures.c_str(), &pack, &packCount) || packCount < 8) {
        *error = "cannot load " + textures;
        return false;
    }
    if (!LoadModel(archerPack.c_str(), &archer, &archerTex, &archerTexCount) || archerTexCount < 5) {
        *error = "cannot load " + archerPack;
        return false;
    }
    archer.Scale(0.05f);
    archer.InitialSetup();
    archer.UpdatePoints();
    if (!LoadLump(objects, 0, &arrow)) {
        *error = "cannot load the arrow from " + objects;
        return false;
    }
    arrow.Scale(0.05f);
    for (int i = 0; i < kHeartSizes; ++i) {
        if (!LoadLump(objects, 1, &hearts[i])) {
            *error = "cannot load the heart from " + objects;
            return false;
        }
        hearts[i].Scale(0.1f);
        hearts[i].Scale(static_cast<float>(1.0 - 0.1 * i));
    }
    std::string picture = dataDir + "background.png";
    if (!loadPicFile(picture.c_str(), &backdrop)) {
        *error = "cannot load " + picture;
        return false;
    }
    return true;
}

void SetSceneState() {
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SetupWorldGLState(kWorldLightPos);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
}

void PoseArcher(MS3D* archer, float frame, float wingDegrees) {
    archer->RevertPoints();
    for (int i = 0; i < archer->numJoints; ++i) {
        SKELETON_JOINT& j = archer->skeleton[i];
        j.animQuat.Identity();
        j.animMatrix.Identity();
        j.animRotation = VECTOR3D();
        j.animTranslation = VECTOR3D();
        j.lastRotKey = -1;
        j.lastTransKey = -1;
    }
    if (frame >= 0.0f) {
        archer->SetAnimation(frame, frame + 1.0, 1000.0, false, false);
        archer->Animate(0.0);
    }
    int n = archer->numJoints;
    for (int k = 0; k < 2; ++k) {
        SKELETON_JOINT& j = archer->skeleton[n - 2 - k];
        VECTOR3D r;
        r.y = k == 0 ? wingDegrees : -wingDegrees;
        j.animRotation = r;
        j.animQuat = RotationToQuat(r);
        j.animMatrix = QuatToRotationMatrix(j.animQuat);
    }
    archer->UpdateSkeleton();
    archer->UpdatePoints();
}

void DrawArcher(ReviewArt* art, float x, float y, float z, float yaw, float pitch, bool nocked) {
    glPushMatrix();
    glTranslatef(x, y, z);
    glRotatef(pitch, 1, 0, 0);
    glRotatef(yaw, 0, 1, 0);
    art->archer.Render(art->archerTex, art->archerTexCount);
    if (nocked) {
        glMultMatrixd(art->archer.skeleton[art->archer.numJoints - 1].absolute.m);
        glTranslatef(0.0f, 0.0f, 0.7f);
        glBindTexture(GL_TEXTURE_2D, art->archerTex[4].texID);
        art->arrow.Render();
    }
    glPopMatrix();
}

void DrawArrow(ReviewArt* art, float x, float y, float z, float yaw, float pitch) {
    glPushMatrix();
    glTranslatef(x, y, z);
    glRotatef(pitch, 1, 0, 0);
    glRotatef(yaw, 0, 1, 0);
    glBindTexture(GL_TEXTURE_2D, art->archerTex[4].texID);
    art->arrow.Render();
    glPopMatrix();
}

void DrawHeart(ReviewArt* art, int k, float x, float y, float z, float yaw, float r, float g, float b,
               bool blended) {
    glPushMatrix();
    glBindTexture(GL_TEXTURE_2D, art->pack[6].texID);
    glEnable(GL_CULL_FACE);
    if (blended) glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glColor4f(r, g, b, 1.0f);
    glTranslatef(x, y, z);
    glRotatef(yaw, 0, 1, 0);
    art->hearts[k].Render();
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glColor4f(1, 1, 1, 1);
    glPopMatrix();
}
