// MqoModel: where a texture request's files are opened from under the
// complete reading profile: the file system or the document's package, by
// the name as written and, for Shift_JIS names, by its UTF-8 form. With
// MQO_FEATURE_TEXTURE_SEARCH a name that does not open is looked for where
// the document was moved to: the one lookup order, kept here.
#include <cstring>

#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// Converted names may grow by half again; this holds any that a pool slot's
// name could become, and more.
const size_t kConvertedBytes = 4 * MQO_POOL_PATH_SIZE;
// A searched place is a pool slot's size at most: one that does not fit is
// not tried, since a cut path names another file.
const size_t kPlaceBytes = MQO_POOL_PATH_SIZE;

bool searching(const MqoReadContext& read) {
    return (read.features & MQO_FEATURE_TEXTURE_SEARCH) != 0;
}

// Which readings of its backslashes a place is tried with (mqoSlashFolders).
enum { PLAIN = 1, SHIFT_JIS = 2, BOTH = PLAIN | SHIFT_JIS };

// Both readings of path make the same folders (always so for a path too
// long to look up folder by folder).
bool readsAlike(const char* path) {
    if (std::strlen(path) >= kPlaceBytes) return true;
    char plain[kPlaceBytes], shiftJis[kPlaceBytes];
    mqoSlashFolders(path, plain, false);
    mqoSlashFolders(path, shiftJis, true);
    return std::strcmp(plain, shiftJis) == 0;
}

// On disk, in the readings asked for; how as mqoOpenTextureFileAs takes it.
FILE* openOnDisk(const char* path, int readings, unsigned how) {
    const bool differ = (readings & SHIFT_JIS) != 0 && !readsAlike(path);
    FILE* file = (readings & PLAIN) != 0 || !differ ? mqoOpenTextureFileAs(path, how) : nullptr;
    if (file == nullptr && differ) file = mqoOpenTextureFileAs(path, how | MQO_LOOKUP_SHIFT_JIS);
    return file;
}

// Where and how a place is opened: in package (null: on disk), in which
// readings, and how (regular files only for the places the search makes).
struct Opening {
    const char* package;
    int readings;
    unsigned how;
};

FILE* openAsWritten(const char* path, const Opening& opening) {
    if (opening.package != nullptr) return mqoOpenPackageEntry(opening.package, path);
    return openOnDisk(path, opening.readings, opening.how);
}

// One place: the name as written, then as UTF-8 when asked for.
FILE* openAt(const char* path, const Opening& opening, const MqoReadContext& read) {
    FILE* file = openAsWritten(path, opening);
    if (file != nullptr || (read.features & MQO_FEATURE_UTF8_NAMES) == 0 || mqoIsUtf8(path)) {
        return file;
    }
    char converted[kConvertedBytes];
    if (!mqoUtf8PathFromCp932(path, converted, sizeof converted)) return nullptr;
    return openAsWritten(converted, opening);
}

// The places searched, in order: at most the name (tried before the
// search), two base names in the document's folder, and three places
// beside a package.
struct Places {
    struct Place {
        bool inPackage;
        int readings;
        char path[kPlaceBytes];
    } at[6];
    int count = 0;
};

// Lists folder + name once (a place listed again adds its readings); the
// listed path, or null when it does not fit.
const char* addPlace(Places* places, bool inPackage, int readings, const char* folder,
                     const char* name) {
    char path[kPlaceBytes];
    const size_t folderLength = std::strlen(folder), nameLength = std::strlen(name);
    if (folderLength >= kPlaceBytes || nameLength >= kPlaceBytes - folderLength) return nullptr;
    std::memcpy(path, folder, folderLength);
    std::memcpy(path + folderLength, name, nameLength + 1);
    for (int i = 0; i < places->count; ++i) {
        Places::Place& listed = places->at[i];
        if (listed.inPackage == inPackage && std::strcmp(listed.path, path) == 0) {
            listed.readings |= readings;
            return listed.path;
        }
    }
    Places::Place& place = places->at[places->count++];
    place.inPackage = inPackage;
    place.readings = readings;
    std::memcpy(place.path, path, folderLength + nameLength + 1);
    return place.path;
}

// The name's last component in its two readings, Shift_JIS then plain;
// bases[1] is null when they agree.
void baseNames(const char* path, const char* (&bases)[2]) {
    char slashed[kPlaceBytes];
    for (int i = 0; i < 2; ++i) {
        mqoSlashFolders(path, slashed, i == 0);
        const char* cut = std::strrchr(slashed, '/');
        bases[i] = cut != nullptr ? path + (cut - slashed) + 1 : path;
    }
    if (bases[1] == bases[0]) bases[1] = nullptr;
}

// A name that is joined to a folder: neither drive-qualified nor rooted.
bool isRelative(const char* name) {
    return name[0] != '/' && name[0] != '\\' && std::strchr(name, ':') == nullptr;
}

// Lists the name, its base names in the document's folder, then, for a
// package, the name and the base names beside it; each base name is tried
// in the reading that cut it. Returns the place the message names.
const char* listPlaces(const char* path, const MqoReadContext& read, bool packaged,
                       Places* places) {
    const char* bases[2];
    baseNames(path, bases);
    const int readingOf[2] = {SHIFT_JIS, PLAIN};
    addPlace(places, packaged, BOTH, "", path);
    for (int i = 0; i < 2; ++i) {
        if (bases[i] != nullptr && read.directory != nullptr)
            addPlace(places, packaged, readingOf[i], read.directory, bases[i]);
    }
    char folder[256];
    if (!packaged || !mqoDirectoryOf(read.package, folder)) return nullptr;
    if (isRelative(path)) addPlace(places, false, BOTH, folder, path);
    const char* shown = addPlace(places, false, readingOf[0], folder, bases[0]);
    if (bases[1] != nullptr) addPlace(places, false, readingOf[1], folder, bases[1]);
    return shown;
}

FILE* searchPlaces(const char* path, const MqoReadContext& read, const char* package,
                   char* beside) {
    Places places;
    const char* shown = listPlaces(path, read, package != nullptr, &places);
    if (beside != nullptr && shown != nullptr) std::strcpy(beside, shown);
    // The first place, the name itself, has been tried.
    for (int i = 1; i < places.count; ++i) {
        const Places::Place& place = places.at[i];
        const Opening opening = {place.inPackage ? package : nullptr, place.readings,
                                 MQO_LOOKUP_REGULAR};
        if (FILE* file = openAt(place.path, opening, read)) return file;
    }
    return nullptr;
}

}  // namespace

FILE* mqoOpenTextureSource(const char* path, const MqoReadContext& read, char* beside) {
    if (beside != nullptr) beside[0] = '\0';
    if (path == nullptr) return nullptr;
    const char* package =
        read.package != nullptr && read.package[0] != '\0' ? read.package : nullptr;
    const bool search = searching(read);
    FILE* file = openAt(path, {package, search ? BOTH : PLAIN, 0}, read);
    // A name longer than a place could not be joined to any folder whole.
    if (file != nullptr || !search || std::strlen(path) >= kPlaceBytes) return file;
    return searchPlaces(path, read, package, beside);
}

}  // namespace mqo::detail
