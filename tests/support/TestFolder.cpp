#include "TestFolder.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include <stdlib.h>

namespace fs = std::filesystem;

TTempDir::TTempDir(const std::string &prefix, const fs::path &base)
{
    std::string pattern = (base / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder under " + base.string());
    Path_ = pattern + "/";
}

TTempDir::~TTempDir()
{
    std::error_code ignored;
    fs::permissions(Path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(Path_, ignored);
}

std::string ReadWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteWholeFile(const std::string &path, const std::string &content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}
