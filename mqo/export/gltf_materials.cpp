// MqoModel glTF writer: an MQO material as a glTF metallic-roughness one
// (docs/gltf.md gives the table and its reasons).
#include <algorithm>
#include <cmath>

#include "mqo/export/export_internal.h"

namespace mqo::detail {

namespace {

const int kShaderConstant = 1;  // the modelling tool's unlit shader
const int kShaderLambert = 2;   // diffuse only: no highlight

// A factor within glTF's 0..1, rounded to six places so 0.8f reads as 0.8.
double factor(float value) {
    if (!std::isfinite(value)) return 0;
    return std::round(std::clamp(static_cast<double>(value), 0.0, 1.0) * 1e6) / 1e6;
}

// The Phong exponent as GGX roughness: alpha = sqrt(2 / (power + 2)) is the
// lobe of the same width, and glTF's roughness is sqrt(alpha). No highlight
// at all (spc 0, or the Lambert shader) is the roughest surface.
double roughnessOf(const MaterialEntry& m, int shader) {
    const float specular = std::max({m.specular[0], m.specular[1], m.specular[2]});
    if (shader == kShaderLambert || !(specular > 0) || !std::isfinite(m.power)) return 1;
    const double power = std::max(0.0, static_cast<double>(m.power));
    return factor(static_cast<float>(std::pow(2 / (power + 2), 0.25)));
}

}  // namespace

void mqoGltfMaterial(const MaterialEntry* material, const MqoMaterialLine& line, int texture,
                     bool textureHasAlpha, tinygltf::Material* out) {
    MaterialEntry glDefault = {};
    if (material == nullptr) {
        // Faces drawn without a material get GL's default: white light on
        // a surface of diffuse 0.8, which is col 1 at MQO's usual dif 0.8.
        for (float& c : glDefault.color) c = 1;
        material = &glDefault;
    }
    const MaterialEntry& m = *material;
    out->name = line.name;
    out->pbrMetallicRoughness.baseColorFactor = {factor(m.color[0]), factor(m.color[1]),
                                                 factor(m.color[2]), factor(m.color[3])};
    // MQO's highlight is the light's colour (spc scales col uniformly), a
    // dielectric's: nothing in MQO is metal.
    out->pbrMetallicRoughness.metallicFactor = 0;
    out->pbrMetallicRoughness.roughnessFactor = roughnessOf(m, line.shader);
    out->emissiveFactor = {factor(m.emission[0]), factor(m.emission[1]), factor(m.emission[2])};
    out->doubleSided = line.doubleSided;
    if (m.color[3] < 1 || textureHasAlpha) out->alphaMode = "BLEND";
    if (texture >= 0) out->pbrMetallicRoughness.baseColorTexture.index = texture;
    // GL modulates the whole lit colour by the texture, emission included:
    // glTF's emission is its factor times its own texture, so the same one.
    const bool emits =
        out->emissiveFactor[0] > 0 || out->emissiveFactor[1] > 0 || out->emissiveFactor[2] > 0;
    if (texture >= 0 && emits) out->emissiveTexture.index = texture;
    if (line.shader == kShaderConstant) {
        out->extensions["KHR_materials_unlit"] = tinygltf::Value(tinygltf::Value::Object());
    }
}

}  // namespace mqo::detail
