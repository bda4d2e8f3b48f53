// Immediate-mode drawing of MS3D groups: one GL_TRIANGLES pair per group,
// three calls per corner (normal, texture coordinate with t flipped, vertex).
#include <GL/gl.h>

#include "assets/Texture.h"
#include "model/MilkshapeModel.h"

namespace {

// Binds the texture of the group's material slot, or no texture when the
// slot lies outside the table.
void BindGroupTexture(const MS3D_GROUP& group, const Texture* textures, int numTextures) {
    int slot = group.materialIndex;
    GLuint name = (slot >= 0 && slot < numTextures) ? textures[slot].texID : 0;
    glBindTexture(GL_TEXTURE_2D, name);
}

// The loader accepts only triangles whose corners name vertices; models
// filled in code get the same protection here.
bool CornersInside(const MS3D& model, const MS3D_TRIANGLE& triangle) {
    for (uint16_t corner : triangle.vertexIndices) {
        if (corner >= model.numVertices) return false;
    }
    return true;
}

void SendGroup(const MS3D& model, const MS3D_GROUP& group) {
    glBegin(GL_TRIANGLES);
    for (int i = 0; group.triangleIndices && i < group.numTriangles; i++) {
        int index = group.triangleIndices[i];
        if (!model.triangles || index >= model.numTriangles) continue;
        const MS3D_TRIANGLE& triangle = model.triangles[index];
        if (!CornersInside(model, triangle)) continue;
        for (int c = 0; c < 3; c++) {
            glNormal3fv(triangle.vertexNormals[c]);
            glTexCoord2f(triangle.s[c], 1.0f - triangle.t[c]);
            glVertex3fv(model.vertices[triangle.vertexIndices[c]].vertex);
        }
    }
    glEnd();
}

}  // namespace

void MS3D::Render() {
    for (int g = 0; g < numGroups; g++) DrawGroup(g);
}

void MS3D::Render(const Texture* textures) {
    Render(textures, numMaterials);
}

void MS3D::Render(const Texture* textures, int numTextures) {
    for (int g = 0; g < numGroups; g++) DrawGroup(g, textures, numTextures);
}

void MS3D::DrawGroup(int group) {
    if (!groups || group < 0 || group >= numGroups) return;
    SendGroup(*this, groups[group]);
}

void MS3D::DrawGroup(int group, const Texture* textures) {
    DrawGroup(group, textures, numMaterials);
}

void MS3D::DrawGroup(int group, const Texture* textures, int numTextures) {
    if (!groups || group < 0 || group >= numGroups) return;
    if (textures) BindGroupTexture(groups[group], textures, numTextures);
    SendGroup(*this, groups[group]);
}
