#include "ServiceStateUnit.h"

#include <climits>
#include <string>

#include <unistd.h>

std::string ExecutableDir() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return "./";
    std::string dir(path, static_cast<size_t>(length));
    return dir.substr(0, dir.rfind('/') + 1);
}

namespace {

// Loads the options before the next member is made, keeping the start-up
// order: log, door lock options, service-wide options, database.
template <class TOptions>
std::string LoadedThen(TOptions &options, std::string next) {
    options.Load();
    return next;
}

} // namespace

TServiceState::TServiceState(const std::string &dir)
    : LogFile(TLogFile::FileNameFor(dir, Now())),
      Option(dir + "Option.ini"),
      SysOption(LoadedThen(Option, dir + "Option.ini")),
      DoorlockRecordManager(LoadedThen(SysOption, dir + "Client.mdb"), LogFile) {}
