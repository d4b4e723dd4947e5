#include "SimulatedComPort.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace en24sim {

ComPathVariable::ComPathVariable(int portNo, const std::string &path) : name_(Name(portNo))
{
    if (const char *value = std::getenv(name_.c_str()))
        former_ = value;
    if (::setenv(name_.c_str(), path.c_str(), 1) != 0)
        throw std::system_error(errno, std::generic_category(), "setenv " + name_);
}

ComPathVariable::~ComPathVariable()
{
    if (former_)
        ::setenv(name_.c_str(), former_->c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

std::string ComPathVariable::Name(int portNo)
{
    return "EN24_COM" + std::to_string(portNo);
}

SimulatedComPort::TempFolder::TempFolder(int portNo)
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("en24-com" + std::to_string(portNo) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    path = pattern;
}

SimulatedComPort::TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

SimulatedComPort::SimulatedComPort(int portNo)
    : portNo_(portNo), folder_(portNo), sim_(folder_.path + "/COM" + std::to_string(portNo)),
      variable_(portNo, sim_.LinkPath())
{
}

SimulatedComPort::~SimulatedComPort() = default;

} // namespace en24sim
