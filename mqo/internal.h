// Declarations shared between the library's source files; not installed.
#ifndef MQO_INTERNAL_H
#define MQO_INTERNAL_H

#include <cstdio>

#include "mqo/MqoModelStages.h"

// The library's name as its messages print it.
#define MQO_LIBRARY_NAME "MqoModel"

// Console messages, UTF-8, byte for byte as the library prints them.
#define MQO_MSG_OBJECT_LIMIT "MQOファイル読み込み：　最大オブジェクト数を超えました[%d]\n"
#define MQO_MSG_POOL_FULL "%s:mqoSetTexturePool テクスチャ読み込み領域不足\n"
#define MQO_MSG_ALPHA_TYPE "アルファのファイルに対応できない→%s\n"
#define MQO_MSG_READ_ERROR "%s:テクスチャ読み込みエラー[%s]\n"
#define MQO_MSG_FORMAT "このテクスチャは対応できないフォーマット→%s\n"

// ---- CPU stage (read/, mesh/, image/): no GL header, no library state ----

// The load under way on this thread (mqoLoadModelEx / SlotEx set it for
// their span): where its messages go and what its report counts. Null for
// every other call, and on the parse threads of mqoLoadModels, which print
// nothing.
struct MqoLoadContext {
    MqoLoadReport* report;  // may be null
    void (*message)(void* context, const char* text);
    void* context;
    bool quiet;
};
MqoLoadContext* mqoCurrentLoad();
void mqoSetCurrentLoad(MqoLoadContext* load);

// Prints a console message (printf's format), or hands it to the current
// load's sink. Without a load or a sink it is printf to standard output.
void mqoMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The current load's report, or null when nothing counts.
MqoLoadReport* mqoLoadReport();

// Counts a texture request that gave none, keeping the first names.
void mqoReportTexture(const char* name);

// Where a texture request's files come from and how they are read: the
// load's MQO_FEATURE_* bits, and the .mqoz package the names lie in (null
// for the file system).
// With MQO_FEATURE_TEXTURE_SEARCH, directory is the document's folder (in
// its package, for one) as mqoDirectoryOf gives it: where a name's last
// component is looked for; null when the document's folder did not fit.
struct MqoTextureSource {
    uint32_t features;
    const char* package;
    const char* directory = nullptr;
};

// The bits that change what pixels (or which file) a texture name gives;
// the pool keeps textures read under different values of these apart, and
// under TEXTURE_SEARCH those of different document folders too.
#define MQO_IMAGE_FEATURES                                                                         \
    (MQO_FEATURE_PNG_JPEG | MQO_FEATURE_IMAGE_LAYOUT | MQO_FEATURE_MQOZ | MQO_FEATURE_UTF8_NAMES | \
     MQO_FEATURE_TEXTURE_SEARCH)

// Opens a texture or alpha file as source says: from its package when it
// has one, else from the file system as mqoOpenTextureFile does (and, with
// MQO_FEATURE_UTF8_NAMES, with the name converted to UTF-8 when that fails).
// With MQO_FEATURE_TEXTURE_SEARCH the places TEXTURE_SEARCH's comment in
// MqoModelStages.h lists follow, in its order; beside (MQO_POOL_PATH_SIZE bytes, when not null)
// then receives the place beside the package the read-error message names,
// or "" when the message names path. A null source is mqoOpenTextureFile.
FILE* mqoOpenTextureSource(const char* path, const MqoTextureSource* source,
                           char* beside = nullptr);

// Opens the file name (backslashes and "." / ".." resolved within the
// archive, then in any ASCII case) inside the .mqoz at package, read whole
// into memory within the texture limit, as a FILE that owns its bytes.
// Null when the package or the entry cannot be read.
FILE* mqoOpenPackageEntry(const char* package, const char* name);

// A read-only FILE over size bytes (malloc'd; freed by fclose, or at once
// when this fails), seekable like a file on disk.
FILE* mqoOpenMemoryFile(unsigned char* bytes, size_t size);

// True when text (or its n bytes) is valid UTF-8 (ASCII included).
bool mqoIsUtf8(const char* text);
bool mqoIsUtf8Bytes(const char* text, size_t n);

// Writes path into out (outSize bytes) with each '/'-separated component
// that is not UTF-8 converted from Shift_JIS (CP932). False when nothing
// needed converting, a component does not convert or the result does not fit.
bool mqoUtf8PathFromCp932(const char* path, char* out, size_t outSize);

// mqoDecodeTextureImage reading what source's features ask for; with no
// image feature set (or a null source) it is mqoDecodeTextureImage.
unsigned char* mqoDecodeTextureImageEx(char* texturePath, char* alphaPath, int* size,
                                       unsigned char alpha, int (*widestTexture)(void),
                                       const MqoTextureSource* source);

// mqoReadTextureImage without the driver: widestTexture, when not null, is
// asked once a header has been read and gives the widest texture the caller
// can upload (0 or less, or null: no limit but the reader's own).
unsigned char* mqoDecodeTextureImage(char* texturePath, char* alphaPath, int* size,
                                     unsigned char alpha, int (*widestTexture)(void));

// Opens a texture or alpha file for reading ("rb"); null when none opens.
// The name is tried as given first, so whatever opens as written opens so.
// A name holding ':' (drive-qualified) gets no further tries. Otherwise it
// is tried with backslashes as '/', then folder by folder from "." (or "/"):
// a component present as written is taken, else the folder's one entry
// equal to it in ASCII case, the first in strcmp order when several are.
// "." and empty components are skipped, ".." is kept. These later tries
// fail, rather than guess, past 64 components, in a folder of more than
// 4096 entries, for a path of 260 bytes or more, and on anything but a
// regular file. path itself is never written to.
FILE* mqoOpenTextureFile(const char* path);

// mqoOpenTextureFile read as how says: MQO_LOOKUP_SHIFT_JIS reads the
// backslashes as mqoSlashFolders(path, out, true) does; MQO_LOOKUP_REGULAR
// opens nothing but a regular file, the name as written included (a place
// the search made up may be a folder, or a FIFO that would stall the open).
enum { MQO_LOOKUP_SHIFT_JIS = 1, MQO_LOOKUP_REGULAR = 2 };
FILE* mqoOpenTextureFileAs(const char* path, unsigned how);

// Writes path to out (as long as path) with its folder-separating
// backslashes made '/'. Without shiftJis every backslash is one. With it,
// each '/'-separated part that is not valid UTF-8 is read as Shift_JIS: a
// backslash that is the second byte of a double-byte character (lead byte
// 0x81-0x9F or 0xE0-0xFC, then 0x40-0x7E or 0x80-0xFC) stays.
void mqoSlashFolders(const char* path, char* out, bool shiftJis);

// ---- GL stage (gl/) ----

// Looks up a GL entry point through whichever window-system binding owns the
// current context (EGL when one is current, GLX otherwise). May return a
// non-null stub for names the driver lacks: decide support by the extension
// string, not by this result.
void* mqoLookupGLFunction(const char* name);

// True when buffer objects are in use: the extension was found and all four
// entry points were looked up.
bool mqoBuffersUsable();

// Releases one object's batches: buffer objects (when in use), arrays and the
// batch array; the object keeps its name and flags with no batches.
void mqoReleaseObject(MeshObject* object);

// mqoRealiseObjects without the object limit: objects fill model's objects[]
// up to 49, then go on into its extra objects. Objects that memory cannot
// hold are discarded.
void mqoRealiseAllObjects(MeshModel* model, MqoStagedObject* staged, int count,
                          const MaterialEntry* materials);

// mqoSetTexturePool for a request read as source says; a null source (or
// one with no image feature) is mqoSetTexturePool exactly.
int mqoRequestTexture(char* texturePath, char* alphaPath, unsigned char alpha,
                      const MqoTextureSource* source);

// Registers the texture of every textured material with the pool, names
// joined to directory (as mqoDirectoryOf gives it; directoryFits is its
// result), read as source says.
void mqoResolveTextures(const char* directory, bool directoryFits, MaterialEntry* materials,
                        int count, unsigned char alpha, const MqoTextureSource* source);

#endif  // MQO_INTERNAL_H
