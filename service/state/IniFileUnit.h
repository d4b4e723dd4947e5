// Profile (INI) files as Option.ini has always been read and written:
// sections and keys matched without regard to letter case, the first of two
// equal sections or keys used, a value replaced where it stands, a new key
// added after the last key of its section, a new section added at the end,
// every other line kept, CRLF line ends.
//
// Nothing is cached: every call reads the file afresh. Reading never creates
// the file. Every write replaces the whole file at once (a temporary file in
// the same folder, flushed to disk, renamed over the old one), so a crash or
// a full disk never leaves half a file behind.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// A key could not be written; the text is "Unable to write to <path>".
class EIniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TIniFile {
public:
    explicit TIniFile(std::string fileName);

    const std::string &FileName() const { return FileName_; }

    // The value trimmed of blanks and tabs, then of one pair of outer quotes
    // ('"' or '\''), at most 2047 characters (not bytes: Chinese text is not
    // cut to a third). A missing file, section or key gives defaultValue;
    // "key=" gives the empty text.
    std::string ReadString(const std::string &section, const std::string &key,
                           const std::string &defaultValue) const;
    // Decimal with an optional sign, or hexadecimal after "$" or "0x"/"0X"
    // (up to FFFFFFFF, read as the 32-bit pattern). Anything else, the empty
    // text included, gives defaultValue.
    int32_t ReadInteger(const std::string &section, const std::string &key,
                        int32_t defaultValue) const;
    // An integer with the default 1 or 0; any nonzero number is true.
    bool ReadBool(const std::string &section, const std::string &key, bool defaultValue) const;

    // Throw EIniFileError when the file cannot be written.
    void WriteString(const std::string &section, const std::string &key, const std::string &value);
    void WriteInteger(const std::string &section, const std::string &key, int32_t value);
    void WriteBool(const std::string &section, const std::string &key, bool value);

private:
    std::string FileName_;
};
