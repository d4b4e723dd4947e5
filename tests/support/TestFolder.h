// A folder of a test's own, and whole-file reads and writes, for every test
// that works with files.
#pragma once

#include <filesystem>
#include <string>

class TTempDir {
public:
    // A fresh folder under base (the system's temporary folder by default),
    // named <prefix>-XXXXXX.
    explicit TTempDir(const std::string &prefix = "norvik-test",
                      const std::filesystem::path &base = std::filesystem::temp_directory_path());
    // Removes the folder with all it holds, also when a test made it read-only.
    ~TTempDir();
    TTempDir(const TTempDir &) = delete;
    TTempDir &operator=(const TTempDir &) = delete;

    // Ends with '/'.
    const std::string &Path() const { return Path_; }
    std::string operator/(const std::string &name) const { return Path_ + name; }

private:
    std::string Path_;
};

// The whole file, empty when it cannot be read.
std::string ReadWholeFile(const std::string &path);
// Replaces the file's content.
void WriteWholeFile(const std::string &path, const std::string &content);
