// The file watch on Windows: the file's time and size, looked at again on
// each call. A save by renaming a new file over the old one changes them as
// a save in place does.
#include <sys/stat.h>
#include <windows.h>

#include "mqoview/file_watch.h"

namespace {

// The time and size of path; false when it is not there.
bool stamp(const std::string& path, long long* time, long long* size) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    if (n <= 0) return false;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, &wide[0], n);
    struct _stat64 st;
    if (_wstat64(wide.c_str(), &st) != 0) return false;
    *time = static_cast<long long>(st.st_mtime);
    *size = static_cast<long long>(st.st_size);
    return true;
}

}  // namespace

FileWatch::FileWatch() {}

FileWatch::~FileWatch() {}

void FileWatch::watch(const std::string& path) {
    name_ = path;
    if (!stamp(path, &time_, &size_)) time_ = size_ = -1;
}

bool FileWatch::changed() {
    long long time = -1, size = -1;
    if (name_.empty() || !stamp(name_, &time, &size)) return false;
    if (time == time_ && size == size_) return false;
    time_ = time;
    size_ = size;
    return true;
}
