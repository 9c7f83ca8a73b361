#include <sys/inotify.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "mqoview/file_watch.h"

FileWatch::FileWatch() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FileWatch::~FileWatch() {
    if (fd_ >= 0) close(fd_);
}

void FileWatch::watch(const std::string& path) {
    if (fd_ < 0) return;
    if (watch_ >= 0) inotify_rm_watch(fd_, watch_);
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    name_ = slash == std::string::npos ? path : path.substr(slash + 1);
    watch_ = inotify_add_watch(fd_, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE);
}

bool FileWatch::changed() {
    if (fd_ < 0 || watch_ < 0) return false;
    bool hit = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        ssize_t got = read(fd_, buffer, sizeof buffer);
        if (got <= 0) break;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            const inotify_event* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->wd == watch_ && event->len > 0 && name_ == event->name) hit = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return hit;
}
