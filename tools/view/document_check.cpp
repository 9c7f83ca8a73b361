#include "view/document_check.h"

#include <string>

#include "batch/inputs.h"

namespace {

std::string counted(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// "3 faces dropped (bad vertex indices), 1 texture not read: tex.bmp", or "".
std::string droppedText(const MqoLoadReport& r) {
    std::string out;
    auto add = [&](const std::string& part) { out += (out.empty() ? "" : ", ") + part; };
    const struct {
        int n;
        const char* why;
    } faces[] = {{r.facesBadCorners, "too few or too many corners"},
                 {r.facesBadVertices, "bad vertex indices"},
                 {r.facesBadMaterial, "material out of range"}};
    for (const auto& f : faces) {
        if (f.n > 0) add(counted(f.n, "face", "faces") + " dropped (" + f.why + ")");
    }
    if (r.texturesNotRead > 0) {
        std::string names;
        for (int i = 0; i < r.texturesNotRead && i < MQO_REPORT_NAMES; ++i) {
            names += (i > 0 ? ", " : "") + std::string(r.textureNames[i]);
        }
        if (r.texturesNotRead > MQO_REPORT_NAMES) names += ", ...";
        add(counted(r.texturesNotRead, "texture", "textures") + " not read: " + names);
    }
    if (r.objectsPastLimit > 0) {
        add(counted(r.objectsPastLimit, "object", "objects") + " past the 49th dropped");
    }
    return out;
}

const char* failureText(MqoLoadResult result) {
    switch (result) {
        case MQO_LOAD_NOT_FOUND:
            return "No such file or directory";
        case MQO_LOAD_FOLDER:
            return "is a folder";
        case MQO_LOAD_UNREADABLE:
            return "cannot be opened";
        case MQO_LOAD_DAMAGED_PACKAGE:
            return "a damaged package (no zip, or no .mqo entry)";
        case MQO_LOAD_OUT_OF_MEMORY:
            return "out of memory";
        default:
            return "cannot be read as an MQO document";
    }
}

}  // namespace

DocumentCheck loadDocument(const std::string& path, bool exact, MeshModel** model) {
    DocumentCheck check;
    MqoLoadReport report;
    MqoLoadOptions options = {exact ? 0u : MQO_FEATURE_ALL, &report, nullptr, nullptr, 1};
    *model = mqoLoadModelEx(path.c_str(), 1.0, &options);
    if (*model != nullptr && report.result == MQO_LOAD_NOT_DOCUMENT) {
        mqoFreeModel(*model);
        *model = nullptr;
        check.needsCompleteReading = exact && isPackagePath(path);
        check.error = check.needsCompleteReading
                          ? "a .mqoz package needs the complete reading"
                          : "not an MQO document (no \"Metasequoia Document\" line)";
        return check;
    }
    if (*model == nullptr) {
        check.error = failureText(report.result);
        return check;
    }
    check.ok = true;
    check.dropped = droppedText(report);
    if (report.missingEof != 0) {
        check.warning = "damaged: the document ends early (no Eof line); drawn as far as it reads";
    }
    return check;
}
