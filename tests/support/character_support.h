// Shared by the character tests: runs the generator once per test program
// into a private temporary folder, loads its frames with the library, and
// measures the models.
#ifndef MQO_TESTS_SUPPORT_CHARACTER_SUPPORT_H
#define MQO_TESTS_SUPPORT_CHARACTER_SUPPORT_H

#include <string>
#include <vector>

#include "app/motions.h"
#include "mqo/MqoModelStages.h"
#include "support/temp_dir.h"

namespace charactertest {

// The motions ambletoe loads, in its order.
using ambletoe::kMotions;

// Runs make_character into a new temporary folder and returns that folder
// (it then holds vindle/); empty when the generator failed. Removed at exit.
std::string generateInto(const std::string& tag);
// One generation shared by every test of the program.
const std::string& generated();
std::string framePath(int motion, int frame);

// Reads every file of a folder (name -> bytes).
std::vector<std::pair<std::string, std::string>> readFolder(const std::string& folder);
using testsupport::readFile;

// Loads a frame at ambletoe's scale 0.5 and returns what the library
// printed on standard output meanwhile.
MeshModel* loadFrame(int motion, int frame, std::string* printed);

struct Box {
    float min[3] = {1e30f, 1e30f, 1e30f};
    float max[3] = {-1e30f, -1e30f, -1e30f};
};
// Bounding box of every vertex of every visible object, optionally skipping
// objects whose name contains skip.
Box modelBox(const MeshModel* model, const char* skip = nullptr);

// The triangles of one object as flat corner positions (3 floats each).
std::vector<float> objectTriangles(const MeshObject& object);

const MeshObject* findObject(const MeshModel* model, const char* name);

// Where a point of the model (placed as ambletoe places it at start) lands in
// the viewer's 640x480 picture: y in 0..1 from the bottom, x likewise.
void projectToWindow(const float p[3], double* x, double* y);

}  // namespace charactertest

#endif  // MQO_TESTS_SUPPORT_CHARACTER_SUPPORT_H
