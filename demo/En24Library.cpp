#include "En24Library.h"

#include <dlfcn.h>

namespace cardemo {
namespace {

std::string LastLoaderError()
{
    const char* text = dlerror();
    return text != nullptr ? text : "unknown error";
}

} // namespace

En24Library::En24Library(std::string fileName) : fileName_(std::move(fileName)) {}

En24Library::~En24Library()
{
    if (module_ != nullptr)
        dlclose(module_);
}

void* En24Library::Address(const char* name)
{
    if (const auto found = addresses_.find(name); found != addresses_.end())
        return found->second;

    if (module_ == nullptr) {
        // A bare file name (no slash) goes through the loader's search: run path, then
        // LD_LIBRARY_PATH, then the system's library folders.
        module_ = dlopen(fileName_.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module_ == nullptr)
            throw LibraryMissing("找不到动态库 " + fileName_ + "\n" + LastLoaderError());
    }

    dlerror();
    void* address = dlsym(module_, name);
    if (address == nullptr)
        throw LibraryMissing("在动态库 " + fileName_ + " 中找不到函数 " + name + "\n" +
                             LastLoaderError());
    addresses_.emplace(name, address);
    return address;
}

} // namespace cardemo
