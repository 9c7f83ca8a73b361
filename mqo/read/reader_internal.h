// The document reader's line stream and scan patterns; not installed.
//
// Every formatted scan of a document line goes through the pattern functions
// below, so that a faster scanner can replace them in one place; each gives
// exactly what sscanf gives with its pattern, fields not reached keeping
// their values.
#ifndef MQO_READER_INTERNAL_H
#define MQO_READER_INTERNAL_H

#include "mqo/MqoModelStages.h"

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
bool mqoScanFaceLine(const char* line, FaceEntry* face);

// ---- lists (document_reader.cpp) ----

// The general path for one face line: the corner count, then the "V(", "M("
// and "UV(" groups wherever they first occur; fields not found keep their
// values, and a face without "M(" gets material -1.
void mqoReadFaceLine(const char* line, FaceEntry* face);

#endif  // MQO_READER_INTERNAL_H
