// MqoModel: what the document reader's files (mqo/read/) define for one
// another and for the other stages: messages and the load under way, the line
// stream and scan patterns, the complete profile's object and material lines,
// packages and names. CPU stage; not installed.
#ifndef MQO_READ_READ_INTERNAL_H
#define MQO_READ_READ_INTERNAL_H

#include <zip.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "mqo/MqoModelStages.h"
#include "mqo/mesh/mesh_internal.h"

namespace mqo::detail {

// ==== messages and the load under way (load_report.cpp) ====

// The library's name as its messages print it.
#define MQO_LIBRARY_NAME "MqoModel"

// Console messages, UTF-8, byte for byte as the library prints them.
#define MQO_MSG_OBJECT_LIMIT "MQOファイル読み込み：　最大オブジェクト数を超えました[%d]\n"
#define MQO_MSG_POOL_FULL "%s:mqoSetTexturePool テクスチャ読み込み領域不足\n"
#define MQO_MSG_ALPHA_TYPE "アルファのファイルに対応できない→%s\n"
#define MQO_MSG_READ_ERROR "%s:テクスチャ読み込みエラー[%s]\n"
#define MQO_MSG_FORMAT "このテクスチャは対応できないフォーマット→%s\n"

// ---- CPU stage (read/, mesh/, image/): no GL header, no library state ----

// How one call reads: built by each public entry point and handed down to
// every stage it reaches, so that the reader, the image decoders, the
// texture lookups and the pool all read one way. The first three fields
// come first so that {features, package, directory} builds one.
// The bits a load or parse honours; others are ignored.
constexpr uint32_t kMqoKnownFeatures = MQO_FEATURE_ALL | MQO_FEATURE_COMPACT;

struct MqoReadContext {
    uint32_t features = 0;  // MQO_FEATURE_* bits; 0 = the exact subset
    // The .mqoz the document and its textures lie in; null for the file
    // system.
    const char* package = nullptr;
    // The document's folder (in its package, for one) as mqoDirectoryOf gives
    // it: the prefix of its texture names and, with TEXTURE_SEARCH, where a
    // name's last component is looked for. Null when it did not fit.
    const char* directory = nullptr;
    // The widest texture the caller can upload, asked once an image header
    // has been read; null: no limit but the reader's own (the pool then asks
    // the driver).
    int (*widestTexture)(void) = nullptr;
    // The document: a path, or, with bytes not null, size bytes in memory
    // (their folder is directory).
    const char* path = nullptr;
    const unsigned char* bytes = nullptr;
    size_t size = 0;
    // What the call reports and where its messages go (MqoLoadOptions).
    MqoLoadReport* report = nullptr;
    void (*message)(void* context, const char* text) = nullptr;
    void* messageContext = nullptr;
    bool quiet = false;
};

// Makes read the context of the call under way on this thread for the
// scope's span, then puts the previous one back: how code deep in a load
// that prints or counts without a context of its own (the exact image
// reader, the object uploads) reaches read's report and sink. There is none
// outside a load, nor on the parse threads of mqoLoadModels.
class MqoReadScope {
public:
    explicit MqoReadScope(const MqoReadContext& read);
    ~MqoReadScope();
    MqoReadScope(const MqoReadScope&) = delete;
    MqoReadScope& operator=(const MqoReadScope&) = delete;

private:
    const MqoReadContext* previous_;
};

// A context for a call that takes no options: the exact subset, with the
// current context's report and sink (none outside a load), as such a call
// made inside a load has always counted and printed.
MqoReadContext mqoAmbientRead();

// Prints a console message (printf's format), or hands it to the current
// context's sink. Without a context or a sink it is printf to standard output.
void mqoMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The current context's report, or null when nothing counts.
MqoLoadReport* mqoLoadReport();

// Counts into read's report a texture request that gave none, keeping the
// first names.
void mqoReportTexture(const MqoReadContext& read, const char* name);

// ==== line stream, braces, packages, names, scan patterns ====

struct MqoPrescan;

// ---- line stream (line_reader.cpp) ----

// The next line: everything up to and including its line feed (a carriage
// return stays), NUL-terminated, however long; a line longer than the file
// could hold (or, from a stream of unknown size, than 1 MiB) keeps only its
// start, and so does one that memory cannot hold. Null at the end of the
// file or on a read error. The text stays valid until the next read.
const char* mqoReadLine(MqoStream* stream);

// mqoOpenStream with a block of blockSize bytes instead of the usual 256 KiB,
// so that tests reach the lines that cross blocks.
MqoStream* mqoOpenStreamBuffered(const char* path, size_t blockSize);

// A stream over a document already in memory: it takes bytes (malloc'd,
// size bytes, freed by mqoCloseStream, or at once when this fails) and
// reads it as mqoOpenStream reads a file of that size. Null when bytes is
// null or memory runs out.
MqoStream* mqoOpenStreamMemory(unsigned char* bytes, size_t size);

// Reads up to n bytes right after the last line into buffer; a null buffer
// skips them. Returns the number of bytes read or skipped.
size_t mqoReadBlock(MqoStream* stream, void* buffer, size_t n);

// Bytes left in the file after the current position: the most entries (of
// one byte or more each) that the rest of the document could fill.
long long mqoStreamRemaining(MqoStream* stream);

// The unread lines of the stream's block, refilled first when less than half
// of it is left and the file holds more: *bytes is set to the first and the
// size returned ends after the last line feed (0: no whole line). The bytes
// stay valid until the stream is next read.
size_t mqoPeekLines(MqoStream* stream, const unsigned char** bytes);

// Consumes the first n bytes mqoPeekLines gave, as if read as lines.
void mqoSkipPeeked(MqoStream* stream, size_t n);

// True once reading the stream's file failed (not its end): the lines and
// blocks handed out are not the whole document.
bool mqoStreamFailed(const MqoStream* stream);

// The stream's scan of its unread second half on a helper
// (document_prescan.cpp), or null. The first call on a file read whole (a
// regular file under 8 MiB opened by mqoOpenStream, or a document in
// memory) reads the rest of it into the block and starts the scan; the list
// readers call it, so a stream read for its head alone reads no more.
MqoPrescan* mqoStreamPrescan(MqoStream* stream);

// ---- a document's second half scanned ahead (document_prescan.cpp) ----

// Starts scanning the lines of bytes[size/2 .., size) (the unread part of a
// stream's block) on an idle helper
// thread, each as a face line and as a vertex line would be scanned; null
// when the document is too small to gain (or 8 MiB or more, whose long lists
// are shared instead), no helper is idle or memory runs out. The bytes must
// not change or move until mqoEndPrescan.
MqoPrescan* mqoStartPrescan(const unsigned char* bytes, size_t size);

// The smallest document scanned ahead, 128 KiB (tests: SIZE_MAX scans none).
void mqoSetPrescanSmallest(size_t bytes);

// For a list read at `at` (a line start, size bytes of whole lines there):
// before the scanned half, sets *ahead to the bytes up to it and returns 0;
// in it, waits for the helper, copies up to want entries of the list's form
// (faces: FaceEntry, else float[3]) into out exactly as the one-line path
// would write them, sets *used to their bytes and returns their number (0
// at a line of another form, and *ahead to size).
int mqoTakePrescanned(MqoPrescan* prescan, const unsigned char* at, size_t size, void* out,
                      bool faces, int want, size_t* ahead, size_t* used);

// Waits for the helper if it still runs, and frees the scan (its table is
// kept by this thread for the next). Null is ignored.
void mqoEndPrescan(MqoPrescan* prescan);

// Frees this thread's kept table (also freed when the thread ends).
void mqoReleasePrescanTable();

// ---- braces (line_braces.cpp) ----

// The first brace ('{' or '}') in line that is not between a closed pair of
// double quotes, or null. A quote without a partner later in the line hides
// nothing. Every test of whether a line opens or closes a block goes
// through this; the one-pass list forms below only decline a line holding
// any "}" byte, which this then decides.
const char* mqoFindBrace(const char* line, char brace);

// ---- packages (package_document.cpp) ----

// True when path ends in ".mqoz" (any case).
bool mqoIsPackagePath(const char* path);

// Opens the document inside the .mqoz at package: the entry ending in
// ".mqo" (any case) whose base name is the package's, else the first such,
// read whole into memory. Sets parsed's package and directory (the
// document's folder inside the package). Null, parsed untouched, when the
// package cannot be read, holds no document, its document is beyond the
// document limit, or the package's path does not fit parsed->package.
MqoStream* mqoOpenPackageDocument(const char* package, MqoParsedModel* parsed);

// ---- the author's view (thumbnail_reader.cpp) ----

// Reads a Thumbnail chunk whose first line is header, up to its "}"
// (consumed), into scene's thumbnail as mqoReadScene describes. A header it
// does not take reads nothing: the caller's walk passes over the lines.
void mqoReadThumbnailChunk(MqoStream* stream, const char* header, MqoScene* scene);

// ---- names (name_charset.cpp) ----

// Converts every staged object's name that is not valid UTF-8 from
// Shift_JIS (CP932) to UTF-8, cut to 255 bytes at a character boundary; a
// name that does not convert stays as written.
void mqoConvertObjectNames(MqoParsedModel* parsed);

// ---- quoted names (quoted_name.cpp) ----

// An Object line's name as the complete profile reads it: after "Object"
// and blanks, the text between a double quote and the next one, spaces
// included, without the quotes; a name without quotes (or without its
// closing quote) is the first word, as "Object %s" reads it, less an opening
// quote. Cut to 255 bytes. Returns 1 when a name was read, else 0 with name
// untouched (a line that does not begin with "Object").
int mqoScanQuotedObjectName(const char* line, char name[256]);

// ---- scan patterns (document_patterns.cpp); each returns sscanf's result ----

int mqoScanMaterialCount(const char* line, int* count);   // "Material %d"
int mqoScanObjectName(const char* line, char name[256]);  // "Object %s"
// "col(%f %f %f %f) dif (%f) amb(%f) emi(%f) spc(%f) power(%f)" from at;
// values: r g b a dif amb emi spc power.
int mqoScanMaterialValues(const char* at, float values[9]);
int mqoScanVisible(const char* line, int* visible);         // " visible %d"
int mqoScanShading(const char* line, int* shading);         // " shading %d"
int mqoScanFacet(const char* line, float* facet);           // " facet %f"
int mqoScanMirror(const char* line, int* mirror);           // " mirror %d"
int mqoScanMirrorAxis(const char* line, int* axis);         // " mirror_axis %d"
int mqoScanMirrorDistance(const char* line, float* dis);    // " mirror_dis %f"
int mqoScanVertexCount(const char* line, int* count);       // " vertex %d"
int mqoScanBVertexCount(const char* line, int* count);      // " BVertex %d"
int mqoScanFaceCount(const char* line, int* count);         // " face %d"
int mqoScanVertex(const char* line, float position[3]);     // "%f %f %f"
int mqoScanVector(const char* at, int* count, int* bytes);  // "Vector %d [%d]"
int mqoScanFaceCorners(const char* line, int* corners);     // "%d"
// "V(%d %d %d)" or, for 4 corners, "V(%d %d %d %d)", from at.
int mqoScanFaceIndices(const char* at, int corners, int vertex[4]);
int mqoScanFaceMaterial(const char* at, int* material);  // "M(%d)"
// "UV(%f %f %f %f %f %f)" or, for 4 corners, eight floats, from at.
int mqoScanFaceUV(const char* at, int corners, float uv[8]);

// The usual form of a vertex line ("x y z") or a face line
// ("n V(..) M(m) UV(..)", the UV group optional) matched in one pass. When
// line has that form and no "}", the fields are set exactly as the patterns
// above would set them and the result is true; otherwise nothing is written
// and the caller takes the general path.
bool mqoScanVertexLine(const char* line, float position[3]);
bool mqoScanFaceLine(const char* line, FaceEntry* face, bool* textured = nullptr);

// ---- scan helpers (scan_helpers.cpp, process_id_*.cpp) ----

// One piece of work for a helper thread: run(arg). helper is the claim's own;
// ran tells, after mqoAwaitHelpers, whether the helper ran it.
struct MqoScanJob {
    void (*run)(void* arg);
    void* arg;
    void* helper;
    bool ran;
};

// Starts jobs[0..k) on k idle helper threads, k <= n, and returns k; 0 when
// none is idle or none could be started. Every job started must be waited
// for with mqoAwaitHelpers(jobs, k).
int mqoHandToHelpers(MqoScanJob* jobs, int n);
// Waits for each job its helper has begun; one not yet begun (its helper
// not yet given a core) is taken back unrun, with ran false: the caller has
// it done its own way rather than wait on the scheduler.
void mqoAwaitHelpers(MqoScanJob* jobs, int n);

// For tests, how helpers and waits meet: as usual; held (no helper begins a
// job, so each is taken back, as when the other cores are all busy); or
// awaited (none is taken back, so the helpers' own work can be counted on).
enum MqoHelperTiming { kHelpersAsUsual, kHelpersHeld, kHelpersAwaited };
void mqoSetHelperTiming(MqoHelperTiming timing);

// Whether this thread hands work to the helpers at all (at first it does):
// mqoLoadModels' workers do not when there is one of them on every core.
// Returns whether it did before.
bool mqoUseScanHelpers(bool use);

// Ends the helper threads (they start again when next needed); leaves them
// while one is claimed (a stream still open scanning ahead on it). Not while
// a load is under way on another thread.
void mqoStopScanHelpers();

// This process's identity (a forked child's differs from its parent's).
long mqoProcessId();

// A block a thread keeps for its next list or document (thread_local),
// freed when the thread ends or by release().
struct MqoKeptBlock {
    void* bytes = nullptr;
    size_t size = 0;
    // The block, made at least size bytes (its contents then lost); null
    // when memory runs out. Plain malloc: a block not had fails no load.
    void* atLeast(size_t want) {
        if (want <= size) return bytes;
        release();
        bytes = std::malloc(want);
        size = bytes != nullptr ? want : 0;
        return bytes;
    }
    void release() {
        std::free(bytes);
        bytes = nullptr;
        size = 0;
    }
    ~MqoKeptBlock() { release(); }
};

// ---- long lists on several threads (list_share.cpp) ----

// Scans up to want lines of the usual vertex line form (faces false: into
// float[3] entries) or face line form (faces true: into FaceEntry entries)
// from the stream's block into out, as mqoScanVertexLine or mqoScanFaceLine
// would one line at a time: taken from the stream's scan ahead where it has
// one, else in pieces beside the helper threads for a list of 2,048 lines
// or more left, else here. Consumes the lines it took and returns their
// number; the lines after them are the caller's. *again is set false when
// the rest of the list is left to the caller's one-line path (a line of
// another form was met).
int mqoShareList(MqoStream* stream, void* out, bool faces, int want, bool* again);

// The fewest lines a list must have left to be shared (tests lower it to
// share every list; INT_MAX scans no list from the block at all, each line
// then read on the one-line path).
void mqoSetListShareThreshold(int lines);

// The bytes of one list entry: a FaceEntry (faces) or a float[3].
inline size_t mqoListEntrySize(bool faces) { return faces ? sizeof(FaceEntry) : sizeof(float[3]); }

// Copies into to the fields a face line scanned into from set, as the
// one-line path writes them (its UVs only when textured); the rest of to
// stays as it was.
void mqoCopyScannedFace(FaceEntry* to, const FaceEntry& from, bool textured);

// Scans the line at p, length bytes with its line feed, as the one-line path
// scans its NUL-terminated copy: into a FaceEntry (faces) or a float[3].
// False for a line of another form or one longer than 127 bytes. *textured
// (when given) tells whether a face line set the face's UVs.
bool mqoScanListLine(const unsigned char* p, size_t length, bool faces, void* out,
                     bool* textured = nullptr);

// Frees this thread's scratch for shared lists (also freed when the thread
// ends).
void mqoReleaseShareScratch();

// ---- building a document's objects (document_stage.cpp) ----

// Builds objects[0..count) into staged as mqoStageObjects does (smooth: as
// mqoStageSmoothObjects does), with the same results; when the objects cut
// into two runs of at least 32,768 faces each and a helper is idle, the
// second run is built on the helper. Allocations failed there are counted
// on this thread.
void mqoStageDocumentObjects(MqoStagedObject* staged, ObjectEntry* objects, int count,
                             MaterialEntry* materials, int materialCount, bool smooth, double scale,
                             unsigned char alpha);

// The faces of the lighter run for the two threads (tests: 1 builds any two
// objects with faces apart, INT64_MAX none).
void mqoSetStageRunSmallest(int64_t faces);

// ---- the document (document_reader.cpp) ----

// Parses read's document into parsed, as mqoParseDocumentEx does for a path
// (a package under MQO_FEATURE_MQOZ) and mqoParseDocumentMemory for bytes
// (copied; at most MQO_PARSE_MEMORY_MAX_BYTES). Returns 1, or 0 with
// parsed left empty; parsed not null.
int mqoParseSource(const MqoReadContext& read, double scale, unsigned char alpha,
                   MqoParsedModel* parsed);

// The context a parsed document's textures are read under: load's limits,
// report and sink, with the features, package and folder parsed recorded.
// Points into parsed.
MqoReadContext mqoParsedContext(const MqoReadContext& load, const MqoParsedModel& parsed);

// ---- lists (document_reader.cpp) ----

// The general path for one face line: the corner count, then the "V(", "M("
// and "UV(" groups wherever they first occur; fields not found keep their
// values, and a face without "M(" gets material -1.
void mqoReadFaceLine(const char* line, FaceEntry* face);

// ==== the line scanner (scan.cpp) ====

// Scans text as sscanf(text, pattern, ...) would, for patterns made of
// literal characters, white space (matches any run of white space, also
// none), %d (int*), %f (float*) and %s (char*, room for strlen(text) + 1).
// - Returns the number of fields assigned, or -1 when the text ends before
//   the first conversion; fields the scan does not reach keep their values.
// - Gives bit-identical results to the C library for every text, with one
//   defined difference: a %d integer outside the int range is clamped to
//   INT_MIN or INT_MAX (the C library leaves that case undefined).
// - Any other conversion in pattern stops the scan there.
int mqoScan(const char* text, const char* pattern, void* const* fields);

// The single conversions of mqoScan, for readers that match a fixed line form
// themselves: s points past the white space the conversion skips and *s is
// not NUL. Each returns the end of what the conversion consumed, or null on a
// matching failure, in which case *value is left alone.
// Both are inline: vertex and face lines are nearly all numbers, and a call
// per number costs as much as the short ones' scan.
inline const char* mqoScanInt(const char* s, int* value);      // %d
inline const char* mqoScanFloat(const char* s, float* value);  // %f

// m / 10^k rounded to float, for m <= 2^24 and k <= 10, exactly as
// float(double(m) / 10^k) rounds: multiplying by the double nearest 10^-k
// gives the same float for every such m and k (the unit test tries them
// all), at a fraction of a division's cost.
inline float mqoScanDecimal(uint32_t m, int k) {
    static constexpr double kTenths[] = {1e0,  1e-1, 1e-2, 1e-3, 1e-4, 1e-5,
                                         1e-6, 1e-7, 1e-8, 1e-9, 1e-10};
    return static_cast<float>(static_cast<double>(static_cast<int32_t>(m)) * kTenths[k]);
}

// %f for everything the inline path leaves: longer mantissas on a fast path
// of their own, the rest through the whole automaton and strtof.
const char* mqoScanFloatGeneral(const char* s, float* value);

// "[sign]digits[.digits]" with one to seven digits and no exponent, hex
// prefix or hex digit after it: the automaton would consume exactly these
// characters and strtof would give exactly m / 10^k. Anything else goes to
// mqoScanFloatGeneral from the start.
inline const char* mqoScanFloat(const char* s, float* value) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    bool negative = *p == '-';
    p += negative || *p == '+';
    const unsigned char* start = p;
    uint32_t m = 0;  // wraps only for more than seven digits, which go elsewhere
    unsigned d;
    for (; (d = *p - 48u) < 10u; ++p) m = m * 10 + d;
    size_t digits = static_cast<size_t>(p - start), fraction = 0;
    if (*p == '.') {
        const unsigned char* first = ++p;
        for (; (d = *p - 48u) < 10u; ++p) m = m * 10 + d;
        fraction = static_cast<size_t>(p - first);
        digits += fraction;
    }
    unsigned char next = static_cast<unsigned char>(*p | 0x20);
    if (digits - 1 >= 7 || next == 'e' || next == 'x') return mqoScanFloatGeneral(s, value);
    float v = mqoScanDecimal(m, static_cast<int>(fraction));
    *value = negative ? -v : v;
    return reinterpret_cast<const char*>(p);
}

// Out-of-range values are clamped.
inline const char* mqoScanInt(const char* s, int* value) {
    const char* p = s;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (static_cast<unsigned>(*p - '0') >= 10u) return nullptr;
    int64_t magnitude = 0;
    for (; static_cast<unsigned>(*p - '0') < 10u; ++p) {
        // Past 2^31 the value is clamped anyway; stop growing before overflow.
        if (magnitude <= INT64_C(1) << 32) magnitude = magnitude * 10 + (*p - '0');
    }
    int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT_MAX) signedValue = INT_MAX;
    if (signedValue < INT_MIN) signedValue = INT_MIN;
    *value = static_cast<int>(signedValue);
    return p;
}

// True for the characters a white-space directive or a conversion skips.
inline bool mqoScanIsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The first character at or after p that is not white space.
inline const char* mqoScanSkipSpace(const char* p) {
    while (mqoScanIsSpace(static_cast<unsigned char>(*p))) ++p;
    return p;
}

// mqoScan with the fields as arguments: mqoScanFields(line, "V(%d %d)", &a, &b).
template <class... T>
inline int mqoScanFields(const char* text, const char* pattern, T*... fields) {
    void* const list[] = {static_cast<void*>(fields)..., nullptr};
    return mqoScan(text, pattern, list);
}

// ==== the complete profile's lines (object_complete.cpp, polygon_lines.cpp, material_reader.cpp,
// default_material.cpp) ====

// The bits that change how an Object chunk is read or finished.
#define MQO_OBJECT_FEATURES                                                    \
    (MQO_FEATURE_FORMAT_DEFAULTS | MQO_FEATURE_MIRROR | MQO_FEATURE_POLYGONS | \
     MQO_FEATURE_FACET_SMOOTHING)

// What an Object chunk holds beyond its ObjectEntry, while it is read.
struct MqoObjectExtras {
    const MqoReadContext* read;
    int32_t mirror;      // 0 none, 1 separate, 2 connected
    int32_t mirrorAxis;  // X 1, Y 2, Z 4
    float mirrorDistance;
    bool hasMirrorDistance;    // a mirror_dis line was read
    MqoPolygonStore polygons;  // used with MQO_FEATURE_POLYGONS
};

// The Object chunk loop; with extras, the lines also give the mirror keys,
// and with MQO_FEATURE_POLYGONS in its context's features polygon lines go
// to extras->polygons. Null extras: the exact reading.
void mqoReadObjectLines(MqoStream* stream, ObjectEntry* object, MqoObjectExtras* extras);

// One Object chunk read as read's features ask, then finished: polygons
// cut into triangles, mirror copies added, facet given in radians (read in
// degrees with FORMAT_DEFAULTS or FACET_SMOOTHING). Features without an
// object bit: mqoReadObjectChunk exactly.
void mqoReadObject(MqoStream* stream, ObjectEntry* object, const MqoReadContext& read);

// The mirror keys of one Object chunk line.
void mqoReadObjectKeys(const char* line, MqoObjectExtras* extras);

// One face line of five or more corners: material as mqoReadFaceLine reads
// it, every corner of "V(" up to the declared count (and their "UV(", 0
// where missing) appended to store, and a placeholder in face. False, with
// nothing written, for a line of fewer corners.
bool mqoReadPolygonLine(const char* line, FaceEntry* face, MqoPolygonStore* store);

// Empties the polygons of an earlier face list, which a new one replaces.
void mqoResetPolygons(MqoPolygonStore* store);

// Appends the default material (a material line with no attributes) when a
// face needs it: one without a material (below 0), or any face of a
// document without materials. Those faces are given its index. Nothing
// changes when no face needs it or memory runs out.
void mqoAddDefaultMaterial(MaterialEntry** materials, int* materialCount, ObjectEntry* objects,
                           int objectCount);

// A material line as the Material chunk reads it into m.
void mqoReadMaterialLine(const char* line, MaterialEntry* m);

// ==== package archives (package_archive.cpp) ====

// A hostile package cannot make a lookup look at more entries than this,
// nor a read inflate more bytes of one entry than its limit.
const zip_uint64_t MQO_PACKAGE_MOST_ENTRIES = 65536;
const size_t MQO_PACKAGE_DOCUMENT_BYTES = size_t{256} << 20;
const size_t MQO_PACKAGE_TEXTURE_BYTES = size_t{64} << 20;

// Opens the package at path read-only; null when it is not a readable zip.
zip_t* mqoOpenArchive(const char* path);

// The entries a lookup may look at: the archive's, at most
// MQO_PACKAGE_MOST_ENTRIES.
zip_uint64_t mqoArchiveEntriesToScan(zip_t* archive);

// Reads entry index whole into a malloc'd block (*bytes, *size bytes; the
// caller frees it). False, with *bytes null, when it cannot be read, or when
// it declares or yields more than limit bytes: reading stops there.
bool mqoReadArchiveEntry(zip_t* archive, zip_uint64_t index, size_t limit, unsigned char** bytes,
                         size_t* size);

// ==== package entries, memory files, names (package_entry.cpp, memory_file.cpp, name_charset.cpp)
// ====

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

// ==== what differs between systems (files_*.cpp, charset_*.cpp) ====

// The one place the library opens files. path is UTF-8 (a name that is not
// is taken in the system's own code page); mode as fopen takes it.
FILE* mqoOpenFile(const char* path, const char* mode);

// mqoOpenFile(path, "rb") when path is a regular file; null for a folder or
// a device, and a FIFO met on the way does not stall the open.
FILE* mqoOpenRegularFile(const char* path);

// Removes the file at path (UTF-8); 0 when it is gone.
int mqoRemoveFile(const char* path);

// 0 when path exists, *folder saying whether it is a folder; else the errno
// value that asking gave (ENOENT, EACCES, ENOMEM, ...).
int mqoPathStatus(const char* path, bool* folder);

// Converts n bytes of CP932 into out (outSize bytes, terminated). With
// dropCut, a double-byte character cut off at the end is dropped; any other
// sequence that does not convert, or a result that does not fit, gives false.
bool mqoCp932ToUtf8(const char* text, size_t n, char* out, size_t outSize, bool dropCut);

// Makes standard output ready for the library's UTF-8 messages; called
// before each printed message, it does its work once.
void mqoPrepareConsole();

}  // namespace mqo::detail

#endif  // MQO_READ_READ_INTERNAL_H
