// The profile-file layer under Option.ini.
#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "IniFileUnit.h"
#include "StateTestSupport.h"

namespace {

struct TReadCase {
    const char *Name;
    const char *File;    // whole file content
    const char *Section; // as the caller names it
    const char *Key;
    const char *Expected; // with the default "<default>"
};

const TReadCase ReadCases[] = {
    {"plain value", "[S]\r\nKey=abc\r\n", "S", "Key", "abc"},
    {"section and key in other letter case", "[DOORLOCKOPTION]\r\nportname=COM3\r\n",
     "DoorlockOption", "PortName", "COM3"},
    {"blanks around names in file and call", "  [ S ]  \r\n  Key  =v\r\n", " S ", " Key ", "v"},
    {"blanks and tabs around value dropped", "[S]\r\nKey= \t v w \t \r\n", "S", "Key", "v w"},
    {"one pair of double quotes removed", "[S]\r\nKey=\"a b\"\r\n", "S", "Key", "a b"},
    {"one pair of single quotes removed", "[S]\r\nKey='x'\r\n", "S", "Key", "x"},
    {"unmatched quotes kept", "[S]\r\nKey=\"x'\r\n", "S", "Key", "\"x'"},
    {"empty value is empty, not the default", "[S]\r\nKey=\r\n", "S", "Key", ""},
    {"missing key", "[S]\r\nOther=1\r\n", "S", "Key", "<default>"},
    {"missing section", "[T]\r\nKey=1\r\n", "S", "Key", "<default>"},
    {"key of another section", "[T]\r\nKey=1\r\n[S]\r\n", "S", "Key", "<default>"},
    {"first of two sections", "[S]\r\nA=1\r\n[S]\r\nKey=2\r\n", "S", "Key", "<default>"},
    {"first of two keys", "[S]\r\nKey=1\r\nKEY=2\r\n", "S", "Key", "1"},
    {"semicolon comment ignored", "[S]\r\n;Key=1\r\n", "S", "Key", "<default>"},
    {"indented comment ignored", "[S]\r\n  ; Key=1\r\nKey=2\r\n", "S", "Key", "2"},
    {"hash is no comment", "[S]\r\n#Key=1\r\n", "S", "#Key", "1"},
    {"no comment after a value", "[S]\r\nKey=value ; x\r\n", "S", "Key", "value ; x"},
    {"lines before the first section ignored", "Key=0\r\n[S]\r\nKey=1\r\n", "S", "Key", "1"},
    {"text after the header ignored", "[S] trailing\r\nKey=1\r\n", "S", "Key", "1"},
    {"equals sign inside the value", "[S]\r\nKey=a=b\r\n", "S", "Key", "a=b"},
    {"LF line ends", "[S]\nKey=lf\n", "S", "Key", "lf"},
    {"last line without a line end", "[S]\r\nKey=end", "S", "Key", "end"},
    {"UTF-8 text as is", "[S]\r\nKey=允许开反锁\r\n", "S", "Key", "允许开反锁"},
};

TEST(IniFileRead, Cases) {
    TTempDir dir;
    for (const TReadCase &c : ReadCases) {
        SCOPED_TRACE(c.Name);
        WriteWholeFile(dir / "Option.ini", c.File);
        const TIniFile ini(dir / "Option.ini");
        EXPECT_EQ(ini.ReadString(c.Section, c.Key, "<default>"), c.Expected);
    }
}

std::string Repeated(const std::string &text, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i)
        out += text;
    return out;
}

TEST(IniFileRead, LongValueCutAt2047Characters) {
    const struct {
        const char *Name;
        std::string Value;
        std::string Expected;
    } cases[] = {
        {"one byte each", std::string(3000, 'a'), std::string(2047, 'a')},
        {"exactly 2047", std::string(2047, 'a'), std::string(2047, 'a')},
        {"three bytes each", Repeated("允", 3000), Repeated("允", 2047)},
        {"four bytes each", Repeated("😀", 2100), Repeated("😀", 2047)},
        {"mixed", Repeated("a允", 1500), Repeated("a允", 1023) + "a"},
    };
    TTempDir dir;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        WriteWholeFile(dir / "Option.ini", "[S]\r\nKey=" + c.Value + "\r\n");
        EXPECT_EQ(TIniFile(dir / "Option.ini").ReadString("S", "Key", ""), c.Expected);
    }
}

TEST(IniFileRead, MissingFileGivesDefaultsAndIsNotCreated) {
    TTempDir dir;
    const TIniFile ini(dir / "Option.ini");
    EXPECT_EQ(ini.ReadString("S", "Key", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("S", "Key", 7), 7);
    EXPECT_TRUE(ini.ReadBool("S", "Key", true));
    EXPECT_FALSE(FileExists(dir / "Option.ini"));
}

struct TIntegerCase {
    const char *Text;
    int32_t Expected; // with the default 99
};

const TIntegerCase IntegerCases[] = {
    {"16", 16},        {"0x10", 16},   {"0X1f", 31},       {"$10", 16},
    {"$ff", 255},      {"-5", -5},     {"+7", 7},          {" 42 ", 42},
    {"0x", 99},        {"$", 99},      {"", 99},           {"12abc", 99},
    {"yes", 99},       {"1.5", 99},    {"- 5", 99},        {"2147483647", INT32_MAX},
    {"-2147483648", INT32_MIN},        {"2147483648", 99}, {"-2147483649", 99},
    {"$FFFFFFFF", -1}, {"0x7FFFFFFF", INT32_MAX},          {"$100000000", 99},
    {"0x1g", 99},      {"0", 0},
};

TEST(IniFileRead, Integers) {
    TTempDir dir;
    for (const TIntegerCase &c : IntegerCases) {
        SCOPED_TRACE(std::string("value \"") + c.Text + "\"");
        WriteWholeFile(dir / "Option.ini", std::string("[S]\r\nKey=") + c.Text + "\r\n");
        EXPECT_EQ(TIniFile(dir / "Option.ini").ReadInteger("S", "Key", 99), c.Expected);
    }
}

struct TBoolCase {
    const char *Text;
    bool DefaultValue;
    bool Expected;
};

const TBoolCase BoolCases[] = {
    {"1", false, true},  {"0", true, false}, {"2", false, true},  {"-1", false, true},
    {"yes", false, false}, {"yes", true, true}, {"", false, false}, {"", true, true},
    {"0x0", true, false},
};

TEST(IniFileRead, Booleans) {
    TTempDir dir;
    for (const TBoolCase &c : BoolCases) {
        SCOPED_TRACE(std::string("value \"") + c.Text + "\", default " +
                     (c.DefaultValue ? "true" : "false"));
        WriteWholeFile(dir / "Option.ini", std::string("[S]\r\nKey=") + c.Text + "\r\n");
        EXPECT_EQ(TIniFile(dir / "Option.ini").ReadBool("S", "Key", c.DefaultValue), c.Expected);
    }
}

struct TWriteCase {
    const char *Name;
    const char *Before; // nullptr: no file
    const char *Section;
    const char *Key;
    const char *Value;
    const char *After;
};

const TWriteCase WriteCases[] = {
    {"no file: section and key made", nullptr, "DoorlockOption", "PortName", "COM1",
     "[DoorlockOption]\r\nPortName=COM1\r\n"},
    {"value replaced in place with the file's spellings", "[DOORLOCKOPTION]\r\nportName=COM1\r\nX=1\r\n",
     "DoorlockOption", "PortName", "COM2", "[DOORLOCKOPTION]\r\nportName=COM2\r\nX=1\r\n"},
    {"blanks around the old value go", "[S]\r\n  Key = old \r\n", "S", "Key", "new",
     "[S]\r\nKey=new\r\n"},
    {"new key after the section's last key", "[S]\r\nA=1\r\n;note\r\n\r\n[T]\r\nB=2\r\n", "S",
     "Key", "v", "[S]\r\nA=1\r\nKey=v\r\n;note\r\n\r\n[T]\r\nB=2\r\n"},
    {"new key in a section without keys", "[S]\r\n\r\n[T]\r\n", "S", "Key", "v",
     "[S]\r\nKey=v\r\n\r\n[T]\r\n"},
    {"new section at the end, no blank line before", "[T]\r\nB=2\r\n\r\n", "S", "Key", "v",
     "[T]\r\nB=2\r\n\r\n[S]\r\nKey=v\r\n"},
    {"file without a final line break gets one", "[T]\r\nB=2", "S", "Key", "v",
     "[T]\r\nB=2\r\n[S]\r\nKey=v\r\n"},
    {"comments, unknown keys and text before the first section kept",
     "; made by hand\r\ntop=1\r\n[S]\r\n# not a comment\r\nUnknown=x\r\nKey=1\r\n", "S", "Key", "2",
     "; made by hand\r\ntop=1\r\n[S]\r\n# not a comment\r\nUnknown=x\r\nKey=2\r\n"},
    {"only the first of two sections written", "[S]\r\nA=1\r\n[s]\r\nKey=1\r\n", "S", "Key", "2",
     "[S]\r\nA=1\r\nKey=2\r\n[s]\r\nKey=1\r\n"},
    {"only the first of two equal keys written", "[S]\r\nKey=1\r\nKEY=2\r\n", "S", "key", "3",
     "[S]\r\nKey=3\r\nKEY=2\r\n"},
    {"the same key before the first section left alone", "Key=0\r\n[S]\r\nA=1\r\n", "S",
     "Key", "2", "Key=0\r\n[S]\r\nA=1\r\nKey=2\r\n"},
    {"text after the header kept", "[S] ; door lock\r\nKey=1\r\n", "S", "Key", "2",
     "[S] ; door lock\r\nKey=2\r\n"},
    {"LF file comes out with CRLF", "[S]\nKey=1\nB=2\n", "S", "Key", "3", "[S]\r\nKey=3\r\nB=2\r\n"},
    {"empty value", "[S]\r\nKey=1\r\n", "S", "Key", "", "[S]\r\nKey=\r\n"},
    {"line break in a value cannot start a new line", "[S]\r\n", "S", "Key", "a\r\n[X]\r\nb",
     "[S]\r\nKey=a[X]b\r\n"},
};

TEST(IniFileWrite, Cases) {
    TTempDir dir;
    for (const TWriteCase &c : WriteCases) {
        SCOPED_TRACE(c.Name);
        const std::string path = dir / "Option.ini";
        unlink(path.c_str());
        if (c.Before != nullptr)
            WriteWholeFile(path, c.Before);
        TIniFile(path).WriteString(c.Section, c.Key, c.Value);
        EXPECT_EQ(ReadWholeFile(path), c.After);
        // Only the file itself: no temporary file left behind.
        EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"Option.ini"});
    }
}

TEST(IniFileWrite, IntegersAndBooleansWrittenAsDecimal) {
    TTempDir dir;
    TIniFile ini(dir / "Option.ini");
    ini.WriteInteger("S", "Negative", -42);
    ini.WriteInteger("S", "Big", INT32_MAX);
    ini.WriteBool("S", "Yes", true);
    ini.WriteBool("S", "No", false);
    EXPECT_EQ(ReadWholeFile(dir / "Option.ini"),
              "[S]\r\nNegative=-42\r\nBig=2147483647\r\nYes=1\r\nNo=0\r\n");
}

TEST(IniFileWrite, KeepsTheFileMode) {
    TTempDir dir;
    const std::string path = dir / "Option.ini";
    WriteWholeFile(path, "[S]\r\nKey=1\r\n");
    chmod(path.c_str(), 0640);
    TIniFile(path).WriteString("S", "Key", "2");
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(IniFileWrite, KeepsTheFileOwner) {
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    TTempDir dir;
    const std::string path = dir / "Option.ini";
    WriteWholeFile(path, "[S]\r\nKey=1\r\n");
    // The service's own user, say; root only edits the file for it.
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    TIniFile(path).WriteString("S", "Key", "2");
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
    EXPECT_EQ(ReadWholeFile(path), "[S]\r\nKey=2\r\n");
}

TEST(IniFileWrite, LinkToTheFileStaysALink) {
    TTempDir dir;
    WriteWholeFile(dir / "real.ini", "[S]\r\nKey=1\r\n");
    ASSERT_EQ(symlink("real.ini", (dir / "Option.ini").c_str()), 0);
    TIniFile(dir / "Option.ini").WriteString("S", "Key", "2");
    struct stat info {};
    ASSERT_EQ(lstat((dir / "Option.ini").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadWholeFile(dir / "real.ini"), "[S]\r\nKey=2\r\n");
}

// The error writing Key=value in [S] of path gives; "" when the write succeeds.
std::string WriteError(const std::string &path, const std::string &value) {
    try {
        TIniFile(path).WriteString("S", "Key", value);
    } catch (const EIniFileError &error) {
        return error.what();
    }
    return "";
}

TEST(IniFileWrite, FolderThatIsAFileCannotBeWritten) {
    TTempDir dir;
    WriteWholeFile(dir / "folder", "a file where the folder should be");
    const std::string path = dir / "folder/Option.ini";
    EXPECT_EQ(WriteError(path, "v"), "Unable to write to " + path);
}

TEST(IniFileWrite, ReadOnlyFileCannotBeWrittenAndStaysAsItWas) {
    TTempDir dir;
    const std::string path = dir / "Option.ini";
    WriteWholeFile(path, "[S]\r\nKey=1\r\n");
    // Read-only for everyone, root included; the folder itself is writable.
    chmod(path.c_str(), 0444);
    EXPECT_EQ(WriteError(path, "2"), "Unable to write to " + path);
    EXPECT_EQ(ReadWholeFile(path), "[S]\r\nKey=1\r\n");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"Option.ini"});
}

TEST(IniFileWrite, UnreadableFileIsNotWrittenOver) {
    TTempDir dir;
    const std::string path = dir / "Option.ini";
    WriteWholeFile(path, "[S]\r\nOther=1\r\n");
    chmod(path.c_str(), 0200);
    if (access(path.c_str(), R_OK) == 0)
        GTEST_SKIP() << "permission bits do not stop this user (root) from reading";
    // Writing would lose every key that could not be read.
    EXPECT_EQ(WriteError(path, "v"), "Unable to write to " + path);
    chmod(path.c_str(), 0600);
    EXPECT_EQ(ReadWholeFile(path), "[S]\r\nOther=1\r\n");
}

TEST(IniFileWrite, ReadOnlyFolderCannotBeWrittenAndFileStaysAsItWas) {
    TTempDir dir;
    const std::string path = dir / "Option.ini";
    WriteWholeFile(path, "[S]\r\nKey=1\r\n");
    chmod(dir.Path().c_str(), 0555);
    if (ReadOnlyFolderStillWritable(dir.Path()))
        GTEST_SKIP() << "permission bits do not stop this user (root); "
                        "FolderThatIsAFileCannotBeWritten and the options' mid-save failure "
                        "cover the error path";
    EXPECT_EQ(WriteError(path, "2"), "Unable to write to " + path);
    EXPECT_EQ(ReadWholeFile(path), "[S]\r\nKey=1\r\n");
}

} // namespace
