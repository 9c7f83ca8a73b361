// The tools' framing for the library's shaded path (a core-profile or ES
// context): the camera and light of framing.h as matrices and a light
// record instead of fixed-function state.
#ifndef MQO_TOOLS_SHADED_FRAMING_H
#define MQO_TOOLS_SHADED_FRAMING_H

#include "mqo/MqoModelShaded.h"
#include "view/framing.h"

// applyCamera's projection and modelview, column-major as glGetFloatv gives
// them, computed the way glFrustum, glTranslated and glRotated compute them.
void cameraMatrices(const ModelSummary& summary, const Camera& camera, double aspect,
                    float modelview[16], float projection[16]);

// beginPicture's light and light model with placeViewerLight's direction.
void viewerLight(MqoShadeLight* light);

// drawFramed through the shaded path: viewport, clear, depth test, back
// faces culled, then the prepared model under the camera and viewerLight.
void drawFramedShaded(MqoShadedModel* shaded, const ModelSummary& summary, const Camera& camera,
                      int width, int height, const float background[4]);

#endif  // MQO_TOOLS_SHADED_FRAMING_H
