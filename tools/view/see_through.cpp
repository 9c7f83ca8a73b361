// Why two renderings: mqoDrawModel sets its own blend function per batch
// (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), so a separate alpha blend set by
// us would not survive the draw, and that function squares alpha in the
// alpha channel (a 50% material leaves 25%). On colour it is exact: every
// layer maps a background B to C + T * B, so the finished pixel is C + T * B
// with C the premultiplied colour and T what shows through. Over black it is
// C, over white C + T; alpha = 1 - T and the straight colour is C / alpha,
// for any stack of layers and without touching how the model draws.
#include "view/see_through.h"

#include <algorithm>

namespace {

const float kBlack[4] = {0, 0, 0, 1};
const float kWhite[4] = {1, 1, 1, 1};

}  // namespace

void solveSeeThrough(const unsigned char* overBlack, const unsigned char* overWhite, size_t pixels,
                     unsigned char* out) {
    for (size_t i = 0; i < pixels * 4; i += 4) {
        // What shows through, from all three channels: each rounds on its
        // own, and their mean is the better estimate. Rounding can leave a
        // channel darker over white than over black; that counts as none.
        int through = 0;
        for (int k = 0; k < 3; ++k) through += std::max(0, overWhite[i + k] - overBlack[i + k]);
        // 0..255, rounded: through is at most 3 * 255.
        const int alpha = (3 * 255 - std::min(through, 3 * 255) + 1) / 3;
        unsigned char pixel[4] = {0, 0, 0, 0};
        if (alpha > 0) {
            // Fully transparent pixels stay black; others are un-premultiplied
            // with rounding, and clamped since C was rounded apart from T.
            for (int k = 0; k < 3; ++k)
                pixel[k] = static_cast<unsigned char>(
                    std::min(255, (overBlack[i + k] * 255 + alpha / 2) / alpha));
            pixel[3] = static_cast<unsigned char>(alpha);
        }
        std::copy(pixel, pixel + 4, out + i);
    }
}

std::vector<unsigned char> drawSeeThrough(Offscreen& target,
                                          const std::function<void(const float*)>& draw) {
    draw(kBlack);
    std::vector<unsigned char> picture = target.readRgba();
    draw(kWhite);
    std::vector<unsigned char> overWhite = target.readRgba();
    solveSeeThrough(picture.data(), overWhite.data(), picture.size() / 4, picture.data());
    return picture;
}
