// Tells when a file is written or replaced on disk (inotify, or on Windows
// the file's time and size looked at again), so the viewer can follow edits
// saved from a modelling tool.
#ifndef MQO_TOOLS_FILE_WATCH_H
#define MQO_TOOLS_FILE_WATCH_H

#include <string>

class FileWatch {
public:
    FileWatch();
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // Watches path from now on, instead of the file watched before. Editors
    // often save by writing a new file and renaming it over the old one, so
    // the folder is watched for that name.
    void watch(const std::string& path);

    // True when the file was written, created or renamed into place since
    // the last call. Never blocks.
    bool changed();

private:
    int fd_ = -1;
    int watch_ = -1;
    std::string name_;
    // Windows: the file's modification time and size when last looked at.
    [[maybe_unused]] long long time_ = -1;
    [[maybe_unused]] long long size_ = -1;
};

#endif  // MQO_TOOLS_FILE_WATCH_H
