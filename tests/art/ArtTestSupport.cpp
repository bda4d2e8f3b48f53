#include "tests/art/ArtTestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "assets/ResFile.h"
#include "assets/TGALoader.h"

std::string DataDir() {
    const char* dir = std::getenv("DOVEL_DATA_DIR");
    std::string path = dir ? dir : "";
    if (!path.empty() && path.back() != '/') path += '/';
    return path;
}

std::string ProgramDir() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return self.parent_path().string() + "/";
}

bool LoadModelLump(const std::string& pack, int lump, MS3D* model) {
    RESFILE file;
    if (!file.Open(pack.c_str()) || !file.SeekLump(lump)) return false;
    return model->LoadFromFStream(&file.file);
}

bool LoadImageLump(const std::string& pack, int lump, Texture* image) {
    RESFILE file;
    if (!file.Open(pack.c_str()) || !file.SeekLump(lump)) return false;
    return LoadTGA2(image, &file.file);
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int RunCommand(const std::string& command) {
    int raw = std::system(command.c_str());
    return raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TempDir::TempDir() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/dovel-art-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const char* made = mkdtemp(buffer.data());
    path = made ? std::string(made) + "/" : std::string();
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
}

int FindGroup(const MS3D& model, const char* name) {
    for (int g = 0; g < model.numGroups; ++g)
        if (std::string(model.groups[g].name) == name) return g;
    return -1;
}

std::vector<int> GroupVertices(const MS3D& model, int group) {
    std::set<int> used;
    const MS3D_GROUP& g = model.groups[group];
    for (int i = 0; i < g.numTriangles; ++i)
        for (uint16_t v : model.triangles[g.triangleIndices[i]].vertexIndices) used.insert(v);
    return std::vector<int>(used.begin(), used.end());
}

VECTOR3D VertexAt(const MS3D& model, int index) {
    const float* p = model.vertices[index].vertex;
    VECTOR3D v;
    v.x = p[0];
    v.y = p[1];
    v.z = p[2];
    return v;
}

bool LoadArcher(MS3D* archer) {
    if (!LoadModelLump(DataDir() + "dovel.ple", 0, archer)) return false;
    archer->Scale(0.05f);
    if (!archer->InitialSetup()) return false;
    archer->UpdatePoints();
    return true;
}

void PoseWings(MS3D* archer, float w) {
    archer->RevertPoints();
    int n = archer->numJoints;
    for (int k = 0; k < 2; ++k) {
        SKELETON_JOINT& joint = archer->skeleton[n - 2 - k];
        VECTOR3D r;
        r.y = k == 0 ? w : -w;
        joint.animRotation = r;
        joint.animQuat = RotationToQuat(r);
        joint.animMatrix = QuatToRotationMatrix(joint.animQuat);
    }
    archer->UpdateSkeleton();
    archer->UpdatePoints();
}

void PlayShotUntil(MS3D* archer, float untilMs) {
    archer->SetAnimation(14.0, 40.0, 500.0, false, true);
    for (int step = 0; step < 600 && (archer->blending || archer->currentTime < untilMs); ++step) {
        archer->RevertPoints();
        archer->Animate(1.0 / 60.0);
        archer->UpdateSkeleton();
        archer->UpdatePoints();
    }
}
