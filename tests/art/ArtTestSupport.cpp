#include "tests/art/ArtTestSupport.h"

#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <set>

#include "assets/ResFile.h"
#include "assets/TGALoader.h"

namespace {

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool SeekLump(RESFILE* file, const std::string& pack, int lump) {
    return file->Open((DataDir() + pack).c_str()) && file->SeekLump(lump);
}

}  // namespace

std::string DataDir() {
    const char* dir = getenv("DOVEL_DATA_DIR");
    std::string path = dir ? dir : "";
    return path.empty() || path.back() == '/' ? path : path + "/";
}

int RunProgram(const std::string& program, const std::vector<std::string>& args) {
    std::error_code ec;
    std::string command = Quote(std::filesystem::read_symlink("/proc/self/exe", ec).parent_path() / program);
    for (const std::string& arg : args) command += " " + Quote(arg);
    int raw = system((command + " >/dev/null").c_str());
    return raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

bool LoadModelLump(const std::string& pack, int lump, MS3D* model) {
    RESFILE file;
    return SeekLump(&file, pack, lump) && model->LoadFromFStream(&file.file);
}

bool LoadImageLump(const std::string& pack, int lump, Texture* image) {
    RESFILE file;
    return SeekLump(&file, pack, lump) && LoadTGA2(image, &file.file);
}

TempDir::TempDir() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/dovel-art-XXXXXX";
    if (mkdtemp(pattern.data())) path = pattern + "/";
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

std::vector<int> GroupVertices(const MS3D& model, const char* group) {
    std::set<int> used;
    int g = FindGroup(model, group);
    for (int i = 0; g >= 0 && i < model.groups[g].numTriangles; ++i)
        for (uint16_t v : model.triangles[model.groups[g].triangleIndices[i]].vertexIndices) used.insert(v);
    return std::vector<int>(used.begin(), used.end());
}

VECTOR3D VertexAt(const MS3D& model, int index) {
    const float* p = model.vertices[index].vertex;
    return {p[0], p[1], p[2]};
}
