// MqoModel: what the GL stage's files (mqo/gl/) define for one another: entry
// point lookup, object release and realising, texture requests. Not installed.
#ifndef MQO_GL_GL_INTERNAL_H
#define MQO_GL_GL_INTERNAL_H

#include "mqo/MqoModelStages.h"
#include "mqo/image/image_internal.h"

namespace mqo::detail {

// ==== GL stage ====

// Looks up a GL entry point through whichever window-system binding owns the
// current context (EGL when one is current, GLX otherwise). May return a
// non-null stub for names the driver lacks: decide support by the extension
// string, not by this result.
void* mqoLookupGLFunction(const char* name);

// True when buffer objects are in use: the extension was found and all four
// entry points were looked up.
bool mqoBuffersUsable();

// Whether a compact batch's indices can be drawn: a count above 0, an index
// size of 2 or 4, and its element buffer (buffered) or its index array.
bool mqoIndicesDrawable(const MaterialBatch& batch, bool buffered);

// Draws a compact batch's triangles once its client arrays are set: from its
// element buffer when buffered, else from its index array; leaves
// GL_ELEMENT_ARRAY_BUFFER_ARB at 0 whenever buffer objects are in use.
void mqoDrawIndexed(const MaterialBatch& batch, bool buffered);

// Releases one object's batches: buffer objects (when in use), arrays and the
// batch array; the object keeps its name and flags with no batches.
void mqoReleaseObject(MeshObject* object);

// Frees a batch's CPU arrays (vertices of either kind, indices) and nulls
// them; its buffer names stay.
void mqoFreeBatchArrays(MaterialBatch* batch);

// mqoRealiseObjects without the object limit: objects fill model's objects[]
// up to 49, then go on into its extra objects. Objects that memory cannot
// hold are discarded.
void mqoRealiseAllObjects(MeshModel* model, MqoStagedObject* staged, int count,
                          const MaterialEntry* materials);

// mqoSetTexturePool for a request read as read says, within read's widest
// texture or, without one, the driver's; a context with no image feature
// is mqoSetTexturePool exactly.
int mqoRequestTexture(char* texturePath, char* alphaPath, unsigned char alpha,
                      const MqoReadContext& read);

// Registers the texture of every textured material with the pool, names
// joined to read's directory (none when it is null), read as read says;
// counts the textures not given into read's report.
void mqoResolveTextures(MaterialEntry* materials, int count, unsigned char alpha,
                        const MqoReadContext& read);

// Whether mqoFinishLoadModels reads documents no worker has begun while it
// waits (at first it does). Tests turn it off so that, with a worker to be
// had, every document goes to one; with none it still reads them all.
void mqoSetFinishReads(bool reads);

}  // namespace mqo::detail

#endif  // MQO_GL_GL_INTERNAL_H
