// Generator runs, frame loading with captured console output, measurements.
#include "support/character_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace charactertest {

namespace {

// Temporary folders made by this program, removed when it ends.
std::vector<std::unique_ptr<testsupport::TempDir>> folders;

}  // namespace

std::string generateInto(const std::string& tag) {
    folders.push_back(std::make_unique<testsupport::TempDir>("character_" + tag));
    const std::string folder = folders.back()->path();
    if (folder.empty()) return "";
    std::string command = std::string(MAKE_CHARACTER) + " '" + folder + "' >/dev/null";
    if (std::system(command.c_str()) != 0) return "";
    return folder;
}

const std::string& generated() {
    static const std::string folder = generateInto("shared");
    return folder;
}

std::string framePath(int motion, int frame) {
    return ambletoe::frameFilePath(generated() + "/" + ambletoe::kCharacterFolder, motion, frame);
}

std::vector<std::pair<std::string, std::string>> readFolder(const std::string& folder) {
    std::vector<std::pair<std::string, std::string>> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        files.emplace_back(entry.path().filename().string(), readFile(entry.path().string()));
    std::sort(files.begin(), files.end());
    return files;
}

MeshModel* loadFrame(int motion, int frame, std::string* printed) {
    std::string path = framePath(motion, frame);
    char capture[] = "/tmp/character_stdout_XXXXXX";
    int fd = mkstemp(capture);
    if (fd < 0) return nullptr;
    std::fflush(stdout);
    int saved = dup(1);
    dup2(fd, 1);
    MeshModel* model = mqoLoadModel(path.c_str(), 0.5);
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    close(fd);
    if (printed) *printed = readFile(capture);
    unlink(capture);
    return model;
}

Box modelBox(const MeshModel* model, const char* skip) {
    Box box;
    for (int o = 0; o < model->objectCount; ++o) {
        const MeshObject& object = model->objects[o];
        if (!object.visible || (skip && std::strstr(object.name, skip))) continue;
        std::vector<float> corners = objectTriangles(object);
        for (size_t i = 0; i < corners.size(); i += 3)
            for (int k = 0; k < 3; ++k) {
                box.min[k] = std::min(box.min[k], corners[i + k]);
                box.max[k] = std::max(box.max[k], corners[i + k]);
            }
    }
    return box;
}

std::vector<float> objectTriangles(const MeshObject& object) {
    std::vector<float> corners;
    for (int b = 0; b < object.batchCount; ++b) {
        const MaterialBatch& batch = object.batches[b];
        for (int i = 0; i < batch.vertexCount; ++i) {
            const float* p = batch.hasTexture ? batch.texturedVertices[i].position
                                              : batch.plainVertices[i].position;
            corners.insert(corners.end(), p, p + 3);
        }
    }
    return corners;
}

const MeshObject* findObject(const MeshModel* model, const char* name) {
    for (int o = 0; o < model->objectCount; ++o)
        if (std::strcmp(model->objects[o].name, name) == 0) return &model->objects[o];
    return nullptr;
}

void projectToWindow(const float p[3], double* x, double* y) {
    // ambletoe draws the model at (0, 100, -3000) under a 50 degree field of
    // view with the window's 640/480 aspect.
    const double f = 1.0 / std::tan(25.0 * 3.14159265358979323846 / 180.0);
    double ex = p[0], ey = p[1] + 100.0, ez = p[2] - 3000.0;
    *x = (f / (640.0 / 480.0) * ex / -ez + 1) / 2;
    *y = (f * ey / -ez + 1) / 2;
}

}  // namespace charactertest
