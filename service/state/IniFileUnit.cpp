#include "IniFileUnit.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t MaxValueLength = 2047;

using TLines = std::vector<std::string>;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// "[name]" with '[' as the first non-blank character; the name ends at the
// first ']' and anything after it is ignored.
bool SectionHeader(std::string_view line, std::string_view &name) {
    line = Trim(line);
    if (line.empty() || line.front() != '[')
        return false;
    line.remove_prefix(1);
    const size_t close = line.find(']');
    name = Trim(close == std::string_view::npos ? line : line.substr(0, close));
    return true;
}

// A key line of a section: anything but a blank line or a ';' comment. A line
// without '=' is a key with no value.
bool KeyLine(std::string_view line, std::string_view &key, std::string_view &value) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';')
        return false;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        key = trimmed;
        value = {};
    } else {
        key = Trim(line.substr(0, equals));
        value = line.substr(equals + 1);
    }
    return true;
}

enum class TReadResult { Read, Missing, Failed };

TReadResult ReadLines(const std::string &fileName, TLines &lines) {
    lines.clear();
    const int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? TReadResult::Missing : TReadResult::Failed;
    std::string content;
    char buffer[8192];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            close(fd);
            return TReadResult::Failed;
        }
        if (got == 0)
            break;
        content.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        const size_t next = end == std::string::npos ? content.size() : end + 1;
        if (end == std::string::npos)
            end = content.size();
        if (end > start && content[end - 1] == '\r')
            --end;
        lines.emplace_back(content, start, end - start);
        start = next;
    }
    return TReadResult::Read;
}

// Index of the first header of the section, or lines.size().
size_t FindSection(const TLines &lines, std::string_view section) {
    std::string_view name;
    for (size_t i = 0; i < lines.size(); ++i)
        if (SectionHeader(lines[i], name) && SameName(name, section))
            return i;
    return lines.size();
}

// Index of the line after the section's last line.
size_t SectionEnd(const TLines &lines, size_t header) {
    std::string_view name;
    size_t i = header + 1;
    while (i < lines.size() && !SectionHeader(lines[i], name))
        ++i;
    return i;
}

size_t FindKey(const TLines &lines, size_t header, size_t end, std::string_view wanted) {
    std::string_view key, value;
    for (size_t i = header + 1; i < end; ++i)
        if (KeyLine(lines[i], key, value) && SameName(key, wanted))
            return i;
    return end;
}

std::string WithoutLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

bool WriteAll(int fd, const std::string &content) {
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t put = write(fd, content.data() + done, content.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

std::string RandomSuffix() {
    static std::mutex lock;
    static std::mt19937_64 generator{std::random_device{}()};
    std::lock_guard<std::mutex> hold(lock);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx",
                  static_cast<unsigned long long>(generator()));
    return text;
}

// Replaces the file with content: a new file beside it, flushed to disk,
// renamed over the old one, then the folder flushed so the rename lasts.
bool ReplaceFile(const std::string &path, const std::string &content) {
    // A link to the file stays a link: its target is the file replaced.
    std::string fileName = path;
    struct stat link {};
    if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char *target = realpath(path.c_str(), nullptr);
        if (target == nullptr)
            return false;
        fileName = target;
        std::free(target);
    }
    const size_t slash = fileName.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : fileName.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);

    struct stat old {};
    const bool hadFile = stat(fileName.c_str(), &old) == 0;
    // A read-only file (no write permission for anyone, or none for this
    // user) is not replaced behind its back: the rename below needs only the
    // folder's permission.
    if (hadFile && ((old.st_mode & 0222) == 0 ||
                    faccessat(AT_FDCWD, fileName.c_str(), W_OK, AT_EACCESS) != 0))
        return false;

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        temp = dir + (slash == std::string::npos ? "/." : ".") + base + "." + RandomSuffix();
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, content);
    if (ok && hadFile) {
        // The file keeps its mode, and its owner where this user may give it
        // away (root may, others may not and need not).
        ok = (fchown(fd, old.st_uid, old.st_gid) == 0 || errno == EPERM) &&
             fchmod(fd, old.st_mode & 07777) == 0;
    }
    if (ok)
        ok = fsync(fd) == 0;
    if (close(fd) != 0)
        ok = false;
    if (ok)
        ok = rename(temp.c_str(), fileName.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    const int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        // Some file systems refuse fsync on a folder; the file itself is safe.
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

// Writes of this process are made one at a time, so that two objects saving
// into the same file from different threads never lose each other's keys.
std::mutex &WriteLock() {
    static std::mutex lock;
    return lock;
}

bool ParseInteger(std::string text, int32_t &result) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text = "$" + text.substr(2);
    size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    const bool hex = at < text.size() && text[at] == '$';
    if (hex)
        ++at;
    if (at == text.size())
        return false;
    const int64_t limit = hex ? 0xFFFFFFFFLL : (negative ? 2147483648LL : 2147483647LL);
    int64_t value = 0;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * (hex ? 16 : 10) + digit;
        if (value > limit)
            return false;
    }
    if (hex)
        // Eight hex digits are the 32-bit pattern: $FFFFFFFF is -1.
        value = static_cast<int32_t>(static_cast<uint32_t>(value));
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return false;
    result = static_cast<int32_t>(value);
    return true;
}

} // namespace

TIniFile::TIniFile(std::string fileName) : FileName_(std::move(fileName)) {}

std::string TIniFile::ReadString(const std::string &section, const std::string &key,
                                 const std::string &defaultValue) const {
    TLines lines;
    if (ReadLines(FileName_, lines) != TReadResult::Read)
        return defaultValue;
    const size_t header = FindSection(lines, Trim(section));
    if (header == lines.size())
        return defaultValue;
    const size_t end = SectionEnd(lines, header);
    const size_t found = FindKey(lines, header, end, Trim(key));
    if (found == end)
        return defaultValue;
    std::string_view name, value;
    KeyLine(lines[found], name, value);
    value = Trim(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    // At most MaxValueLength characters: the cut falls where the next
    // character would begin, never inside one.
    size_t characters = 0;
    for (size_t at = 0; at < value.size(); ++at)
        if ((static_cast<unsigned char>(value[at]) & 0xC0) != 0x80 &&
            ++characters > MaxValueLength) {
            value = value.substr(0, at);
            break;
        }
    return std::string(value);
}

int32_t TIniFile::ReadInteger(const std::string &section, const std::string &key,
                              int32_t defaultValue) const {
    int32_t value = 0;
    return ParseInteger(ReadString(section, key, ""), value) ? value : defaultValue;
}

bool TIniFile::ReadBool(const std::string &section, const std::string &key,
                        bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string &section, const std::string &key,
                           const std::string &value) {
    std::lock_guard<std::mutex> hold(WriteLock());
    TLines lines;
    if (ReadLines(FileName_, lines) == TReadResult::Failed)
        // Writing over a file that cannot be read would lose its other keys.
        throw EIniFileError("Unable to write to " + FileName_);

    // A line break in a name or value would start a line of its own.
    const std::string sectionName = WithoutLineBreaks(Trim(section));
    const std::string keyName = WithoutLineBreaks(Trim(key));
    const std::string text = WithoutLineBreaks(value);

    const size_t header = FindSection(lines, sectionName);
    if (header == lines.size()) {
        lines.push_back("[" + sectionName + "]");
        lines.push_back(keyName + "=" + text);
    } else {
        const size_t end = SectionEnd(lines, header);
        const size_t found = FindKey(lines, header, end, keyName);
        if (found != end) {
            std::string_view name, old;
            KeyLine(lines[found], name, old);
            lines[found] = std::string(name) + "=" + text;
        } else {
            size_t after = header + 1;
            std::string_view name, old;
            for (size_t i = header + 1; i < end; ++i)
                if (KeyLine(lines[i], name, old))
                    after = i + 1;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(after),
                         keyName + "=" + text);
        }
    }

    std::string content;
    for (const std::string &line : lines) {
        content += line;
        content += "\r\n";
    }
    if (!ReplaceFile(FileName_, content))
        throw EIniFileError("Unable to write to " + FileName_);
}

void TIniFile::WriteInteger(const std::string &section, const std::string &key, int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string &section, const std::string &key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}
