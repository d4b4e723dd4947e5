// Small helpers shared by the state tests.
#pragma once

#include "TestFolder.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// A folder in memory where there is one: flushing to disk costs nothing
// there, for tests of many writes that are about locking, not disks.
inline std::filesystem::path MemoryFolder() {
    std::error_code ignored;
    return std::filesystem::is_directory("/dev/shm", ignored)
               ? std::filesystem::path("/dev/shm")
               : std::filesystem::temp_directory_path();
}

inline bool FileExists(const std::string &path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

inline std::vector<std::string> FolderEntries(const std::string &dir) {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    return names;
}

// Whether the folder, made read-only, still takes new files: it does for
// root, for whom permission bits do not stop writes.
inline bool ReadOnlyFolderStillWritable(const std::string &dir) {
    return access(dir.c_str(), W_OK) == 0;
}

// Files of this process may grow to a set size only while it lives; writes
// past it fail with EFBIG. Works for root too, unlike permission bits.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        OldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &Old_);
        rlimit limit = Old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &Old_);
        std::signal(SIGXFSZ, OldHandler_);
    }

private:
    rlimit Old_{};
    void (*OldHandler_)(int);
};
