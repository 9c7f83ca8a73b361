// MqoModel: where a texture request's files are opened from under the
// complete reading profile: the file system or the document's package, by
// the name as written and, for Shift_JIS names, by its UTF-8 form. With
// MQO_FEATURE_TEXTURE_SEARCH a name that does not open is looked for where
// the document was moved to: the one lookup order, kept here.
#include <cstring>

#include "mqo/internal.h"

namespace {

// Converted names may grow by half again; this holds any that a pool slot's
// name could become, and more.
const size_t kConvertedBytes = 4 * MQO_POOL_PATH_SIZE;
// A searched place is a pool slot's size at most: one that does not fit is
// not tried, since a cut path names another file.
const size_t kPlaceBytes = MQO_POOL_PATH_SIZE;

bool searching(const MqoTextureSource* source) {
    return (source->features & MQO_FEATURE_TEXTURE_SEARCH) != 0;
}

// On disk as mqoOpenTextureFile reads it, then, searching, read as Shift_JIS
// when that changes which backslashes are folders.
FILE* openOnDisk(const char* path, bool search) {
    FILE* file = mqoOpenTextureFile(path);
    if (file != nullptr || !search || std::strlen(path) >= kPlaceBytes) return file;
    char plain[kPlaceBytes], shiftJis[kPlaceBytes];
    mqoSlashFolders(path, plain, false);
    mqoSlashFolders(path, shiftJis, true);
    return std::strcmp(plain, shiftJis) != 0 ? mqoOpenTextureFileAs(path, true) : nullptr;
}

FILE* openAsWritten(const char* path, const char* package, bool search) {
    if (package != nullptr) return mqoOpenPackageEntry(package, path);
    return openOnDisk(path, search);
}

// One place (in package, or on disk when it is null): the name as written,
// then as UTF-8 when asked for.
FILE* openAt(const char* path, const char* package, const MqoTextureSource* source) {
    FILE* file = openAsWritten(path, package, searching(source));
    if (file != nullptr || (source->features & MQO_FEATURE_UTF8_NAMES) == 0 || mqoIsUtf8(path)) {
        return file;
    }
    char converted[kConvertedBytes];
    if (!mqoUtf8PathFromCp932(path, converted, sizeof converted)) return nullptr;
    return openAsWritten(converted, package, searching(source));
}

// The places searched after the name itself, in order: at most the name,
// two base names in the document's folder, and three places beside a package.
struct Places {
    struct Place {
        bool inPackage;
        char path[kPlaceBytes];
    } at[6];
    int count = 0;
};

// Lists folder + name once; the listed path, or null when it does not fit.
const char* addPlace(Places* places, bool inPackage, const char* folder, const char* name) {
    char path[kPlaceBytes];
    const size_t folderLength = std::strlen(folder), nameLength = std::strlen(name);
    if (folderLength >= kPlaceBytes || nameLength >= kPlaceBytes - folderLength) return nullptr;
    std::memcpy(path, folder, folderLength);
    std::memcpy(path + folderLength, name, nameLength + 1);
    for (int i = 0; i < places->count; ++i) {
        Places::Place& listed = places->at[i];
        if (listed.inPackage == inPackage && std::strcmp(listed.path, path) == 0)
            return listed.path;
    }
    Places::Place& place = places->at[places->count++];
    place.inPackage = inPackage;
    std::memcpy(place.path, path, folderLength + nameLength + 1);
    return place.path;
}

// The name's last component in its two readings (Shift_JIS, then every
// backslash a separator); bases[1] is null when they agree.
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

// The base name in the document's folder, then, for a package, the name and
// the base name beside it. Returns the place the message names.
const char* listPlaces(const char* path, const MqoTextureSource* source, bool packaged,
                       Places* places) {
    const char* bases[2];
    baseNames(path, bases);
    // The name as written heads the list (where it was tried) so that no
    // place repeats it.
    addPlace(places, packaged, "", path);
    for (const char* base : bases) {
        if (base != nullptr && source->directory != nullptr)
            addPlace(places, packaged, source->directory, base);
    }
    char folder[256];
    if (!packaged || !mqoDirectoryOf(source->package, folder)) return nullptr;
    if (isRelative(path)) addPlace(places, false, folder, path);
    const char* shown = addPlace(places, false, folder, bases[0]);
    if (bases[1] != nullptr) addPlace(places, false, folder, bases[1]);
    return shown;
}

FILE* searchPlaces(const char* path, const MqoTextureSource* source, const char* package,
                   char* beside) {
    Places places;
    const char* shown = listPlaces(path, source, package != nullptr, &places);
    if (beside != nullptr && shown != nullptr) std::strcpy(beside, shown);
    for (int i = 1; i < places.count; ++i) {
        const Places::Place& place = places.at[i];
        if (FILE* file = openAt(place.path, place.inPackage ? package : nullptr, source))
            return file;
    }
    return nullptr;
}

}  // namespace

FILE* mqoOpenTextureSource(const char* path, const MqoTextureSource* source, char* beside) {
    if (beside != nullptr) beside[0] = '\0';
    if (source == nullptr) return mqoOpenTextureFile(path);
    if (path == nullptr) return nullptr;
    const char* package =
        source->package != nullptr && source->package[0] != '\0' ? source->package : nullptr;
    FILE* file = openAt(path, package, source);
    // A name longer than a place could not be joined to any folder whole.
    if (file != nullptr || !searching(source) || std::strlen(path) >= kPlaceBytes) return file;
    return searchPlaces(path, source, package, beside);
}
