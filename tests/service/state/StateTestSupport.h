// Small helpers shared by the state tests: a temporary folder and whole-file
// reads and writes.
#pragma once

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

// A fresh folder under the system's temporary folder (or under base),
// removed with all it holds when the object goes.
class TTempDir {
public:
    explicit TTempDir(const std::filesystem::path &base = std::filesystem::temp_directory_path()) {
        std::string pattern = (base / "state-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        Path_ = pattern + "/";
    }
    ~TTempDir() {
        std::error_code ignored;
        std::filesystem::permissions(Path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(Path_, ignored);
    }
    TTempDir(const TTempDir &) = delete;
    TTempDir &operator=(const TTempDir &) = delete;

    // Ends with '/'.
    const std::string &Path() const { return Path_; }
    std::string operator/(const std::string &name) const { return Path_ + name; }

private:
    std::string Path_;
};

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

inline std::string ReadWholeFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteWholeFile(const std::string &path, const std::string &content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
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
