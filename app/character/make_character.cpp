// make_character OUTDIR: writes the character that ambletoe plays into
// OUTDIR/vindle: 150 MQO documents (akubi 100, walk 20, run 30 frames) and
// the textures they share. The output is the same, byte for byte, every run.
#include <cstdio>
#include <filesystem>
#include <string>

#include "character_body.h"
#include "character_motion.h"
#include "character_textures.h"
#include "character_writer.h"

using namespace character;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_character OUTDIR\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/" + ambletoe::kCharacterFolder;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "make_character: cannot create %s: %s\n", folder.c_str(),
                     error.message().c_str());
        return 1;
    }
    if (!writeTextures(folder)) {
        std::fprintf(stderr, "make_character: cannot write the textures into %s\n", folder.c_str());
        return 1;
    }
    int documents = 0;
    for (int m = 0; m < MotionCount; ++m) {
        Motion motion = static_cast<Motion>(m);
        for (int frame = 0; frame < motionFrames(motion); ++frame) {
            Pose pose = motionPose(motion, frame);
            std::vector<Part> parts = posedParts(solve(pose));
            // The run is written with binary vertex lists, the others as text.
            std::string text = documentText(parts, pose.face, motion == MotionRun);
            const std::string path = ambletoe::frameFilePath(folder, m, frame);
            if (!writeBytes(path, text)) {
                std::fprintf(stderr, "make_character: cannot write %s\n", path.c_str());
                return 1;
            }
            ++documents;
        }
    }
    std::printf("make_character: %d documents and their textures in %s\n", documents,
                folder.c_str());
    return 0;
}
