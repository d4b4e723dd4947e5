#pragma once
// The encoder library as Cardemo reaches it: loaded at run time by file name, each function
// looked up by name at its first call and kept for every later call. Nothing here is Qt.

#include <map>
#include <stdexcept>
#include <string>

namespace cardemo {

// The library file; the platform's usual search finds it beside the program (the build's
// $ORIGIN run path) or on LD_LIBRARY_PATH.
inline constexpr const char* kLibraryFileName = "libEN24_C1.so";

// The library file or one of its exports cannot be found. what() names what is missing
// and carries the run time's own explanation.
class LibraryMissing : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class En24Library {
public:
    explicit En24Library(std::string fileName = kLibraryFileName);
    ~En24Library();
    En24Library(const En24Library&) = delete;
    En24Library& operator=(const En24Library&) = delete;

    // The export `name` as a function of type Fn (e.g. decltype(&::OpenPort)). The file is
    // opened at the first look-up; throws LibraryMissing when the file or the export is not there.
    template <class Fn>
    Fn Function(const char* name)
    {
        return reinterpret_cast<Fn>(Address(name));
    }

private:
    void* Address(const char* name);

    std::string fileName_;
    void* module_ = nullptr;
    std::map<std::string, void*, std::less<>> addresses_;
};

} // namespace cardemo
