// Runs a fuzz target's entry once per file, for builds without libFuzzer:
// every seed and every kept crash input is replayed by ctest this way.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static int replayFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    std::vector<uint8_t> bytes;
    uint8_t buf[65536];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + got);
    std::fclose(f);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 1;
}

int main(int argc, char** argv) {
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        struct stat st;
        if (stat(argv[i], &st) != 0) continue;  // a target may have no kept crashes yet
        if (!S_ISDIR(st.st_mode)) {
            count += replayFile(argv[i]);
            continue;
        }
        DIR* dir = opendir(argv[i]);
        if (!dir) continue;
        while (dirent* e = readdir(dir)) {
            if (e->d_name[0] == '.') continue;
            count += replayFile(std::string(argv[i]) + "/" + e->d_name);
        }
        closedir(dir);
    }
    std::printf("replayed %d inputs\n", count);
    return 0;
}
