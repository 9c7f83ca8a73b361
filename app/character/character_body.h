// The character's body: one object per rigid part, each riding on a bone.
#ifndef APP_CHARACTER_BODY_H
#define APP_CHARACTER_BODY_H

#include <string>
#include <vector>

#include "character_mesh.h"
#include "character_skeleton.h"

namespace character {

enum MaterialIndex {
    MatSkin,
    MatFace,
    MatHair,
    MatShirt,
    MatJeans,
    MatShoe,
    MatSole,
    MatBelt,
    MatBuckle,
    MatShadow,
    MatCount
};

struct Part {
    std::string name;
    int bone = BonePelvis;
    int shading = 1;     // 0 flat, 1 smooth
    double facet = 1.0;  // smoothing angle in radians, as the library reads it
    Mesh mesh;           // in the bone's coordinates until posed
};

// The parts in their bones' coordinates, in drawing order (the translucent
// shadow comes last so the figure's depth is already in place).
const std::vector<Part>& restParts();

// The parts moved onto a solved skeleton.
std::vector<Part> posedParts(const Skeleton& skeleton);

}  // namespace character

#endif  // APP_CHARACTER_BODY_H
