// Pictures with a transparent background that keep the model's own
// translucency: colour and coverage solved from two renderings.
#ifndef MQO_TOOLS_SEE_THROUGH_H
#define MQO_TOOLS_SEE_THROUGH_H

#include <cstddef>
#include <functional>
#include <vector>

#include "view/framing.h"
#include "view/offscreen.h"

// Runs draw (which draws a whole picture over the background it is given)
// into target twice and returns the pixels as straight (not premultiplied)
// RGBA rows, top row first: composited over any background, they give what
// drawing directly over it gives.
std::vector<unsigned char> drawSeeThrough(Offscreen& target,
                                          const std::function<void(const float*)>& draw);

// The RGBA picture (straight alpha) whose composition over black and over
// white gives overBlack and overWhite (RGBA rows, their alpha ignored).
// out holds pixels * 4 bytes and may be either input.
void solveSeeThrough(const unsigned char* overBlack, const unsigned char* overWhite, size_t pixels,
                     unsigned char* out);

#endif  // MQO_TOOLS_SEE_THROUGH_H
