// The day's log.
#include <regex>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "LogFileUnit.h"
#include "StateTestSupport.h"

namespace {

// "yyyy-mm-dd hh:nn:ss " then the message.
const std::regex StampedLine(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d (.*))");

// The file's lines, split at CRLF; the last element is what follows the last
// CRLF (empty for a file ending in a line break).
std::vector<std::string> CrlfLines(const std::string &content) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(content.substr(start, end - start));
    lines.push_back(content.substr(start));
    return lines;
}

class LogFile : public ::testing::Test {
protected:
    TTempDir Dir;
    std::string Path = TLogFile::FileNameFor(Dir.Path(), Now());
};

TEST(LogFileName, NamedAfterTheStartDay) {
    struct {
        TDateTime Start;
        const char *Expected;
    } const cases[] = {
        {EncodeDateTime(2008, 11, 5, 14, 3, 27), "/srv/lock/20081105.LOG"},
        {EncodeDateTime(2008, 11, 5, 23, 59, 59, 999), "/srv/lock/20081105.LOG"},
        {EncodeDateTime(2009, 1, 1), "/srv/lock/20090101.LOG"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Expected);
        EXPECT_EQ(TLogFile::FileNameFor("/srv/lock/", c.Start), c.Expected);
    }
}

TEST_F(LogFile, CreatingTouchesNoFile) {
    TLogFile log(Path);
    EXPECT_EQ(log.FileName(), Path);
    EXPECT_TRUE(FolderEntries(Dir.Path()).empty());
}

TEST_F(LogFile, FirstCallCreatesLaterCallsAppend) {
    TLogFile log(Path);
    log.WriteLog("串口COM1打开成功");
    ASSERT_TRUE(FileExists(Path));
    log.WriteLog("写卡成功,卡号为:1235");
    // Another run of the same day appends to the same file.
    TLogFile(Path).WriteLog("third");

    const std::vector<std::string> lines = CrlfLines(ReadWholeFile(Path));
    ASSERT_EQ(lines.size(), 4u);
    const char *const messages[] = {"串口COM1打开成功", "写卡成功,卡号为:1235", "third"};
    for (size_t i = 0; i < 3; ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(lines[i], match, StampedLine)) << lines[i];
        EXPECT_EQ(match[1], messages[i]);
    }
    EXPECT_EQ(lines[3], "");
}

TEST_F(LogFile, StampIsTheTimeOfTheCall) {
    TLogFile log(Path);
    const TDateTime before = Now();
    log.WriteLog("x");
    const TDateTime after = Now();
    const std::string stamp = ReadWholeFile(Path).substr(0, 19);
    // Whole seconds: the stamp lies between the two times cut to seconds.
    EXPECT_GE(stamp, FormatDateTime("yyyy-mm-dd hh:nn:ss", before));
    EXPECT_LE(stamp, FormatDateTime("yyyy-mm-dd hh:nn:ss", after));
}

TEST_F(LogFile, MessagesWrittenAsTheyAre) {
    struct {
        const char *Name;
        std::string Message;
        std::string ExpectedAfterStamp; // up to the end of the file
    } const cases[] = {
        {"empty message: stamp and one blank", "", "\r\n"},
        {"embedded line break: second line unstamped", "收到消息: \r\n<DoorRequest/>",
         "收到消息: \r\n<DoorRequest/>\r\n"},
        {"bytes as they are", std::string("a\0b\tc", 5), std::string("a\0b\tc\r\n", 7)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        unlink(Path.c_str());
        TLogFile(Path).WriteLog(c.Message);
        const std::string content = ReadWholeFile(Path);
        ASSERT_GE(content.size(), 20u);
        EXPECT_TRUE(std::regex_match(content.substr(0, 20),
                                     std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d )")));
        EXPECT_EQ(content.substr(20), c.ExpectedAfterStamp);
    }
}

TEST_F(LogFile, FileRemovedBetweenCallsIsMadeAgain) {
    TLogFile log(Path);
    log.WriteLog("one");
    unlink(Path.c_str());
    log.WriteLog("two");
    const std::string content = ReadWholeFile(Path);
    EXPECT_EQ(content.substr(20), "two\r\n");
}

TEST_F(LogFile, FolderThatIsAFileReturnsNormallyAndWritesNothing) {
    WriteWholeFile(Dir / "folder", "");
    TLogFile underAFile(Dir / "folder/20081105.LOG");
    underAFile.WriteLog("dropped");
    EXPECT_EQ(ReadWholeFile(Dir / "folder"), "");
    EXPECT_EQ(FolderEntries(Dir.Path()), std::vector<std::string>{"folder"});
}

TEST_F(LogFile, LineThatDoesNotFitIsDroppedWhole) {
    TLogFile log(Path);
    log.WriteLog("first");
    const size_t size = ReadWholeFile(Path).size();
    {
        // A nearly full disk: the system takes only the first bytes of the line.
        TFileSizeLimit limit(size + 10);
        log.WriteLog("second, longer than the room left");
    }
    log.WriteLog("third");

    const std::vector<std::string> lines = CrlfLines(ReadWholeFile(Path));
    ASSERT_EQ(lines.size(), 3u) << ReadWholeFile(Path);
    const char *const messages[] = {"first", "third"};
    for (size_t i = 0; i < 2; ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(lines[i], match, StampedLine)) << lines[i];
        EXPECT_EQ(match[1], messages[i]);
    }
    EXPECT_EQ(lines[2], "");
}

TEST_F(LogFile, ReadOnlyFolderReturnsNormallyAndWritesNothing) {
    chmod(Dir.Path().c_str(), 0555);
    if (ReadOnlyFolderStillWritable(Dir.Path()))
        GTEST_SKIP() << "permission bits do not stop this user (root); "
                        "FolderThatIsAFileReturnsNormallyAndWritesNothing covers the case";
    TLogFile readOnly(Path);
    readOnly.WriteLog("dropped");
    EXPECT_FALSE(FileExists(Path));
}

TEST_F(LogFile, StartDayNameKeptPastMidnight) {
    // Started yesterday: today's lines, stamped today, go to yesterday's file.
    const TDateTime yesterday = IncMinute(Now(), -24 * 60);
    TLogFile log(TLogFile::FileNameFor(Dir.Path(), yesterday));
    log.WriteLog("after midnight");
    const std::string yesterdayFile = Dir / (FormatDateTime("yyyymmdd", yesterday) + ".LOG");
    EXPECT_EQ(FolderEntries(Dir.Path()),
              std::vector<std::string>{FormatDateTime("yyyymmdd", yesterday) + ".LOG"});
    const std::string content = ReadWholeFile(yesterdayFile);
    // The stamp is the time of the call, not the start day.
    EXPECT_NE(content.substr(0, 10), FormatDateTime("yyyy-mm-dd", yesterday));
    EXPECT_EQ(content.substr(20), "after midnight\r\n");
}

TEST_F(LogFile, ManyThreadsLoseNoLine) {
    TLogFile log(Path);
    constexpr int Threads = 8, PerThread = 250;
    std::vector<std::thread> workers;
    for (int t = 0; t < Threads; ++t)
        workers.emplace_back([&log, t] {
            for (int i = 0; i < PerThread; ++i)
                log.WriteLog("thread " + std::to_string(t) + " line " + std::to_string(i) +
                             " " + std::string(100, 'x'));
        });
    for (std::thread &worker : workers)
        worker.join();

    std::vector<std::string> lines = CrlfLines(ReadWholeFile(Path));
    ASSERT_EQ(lines.back(), "");
    lines.pop_back();
    ASSERT_EQ(lines.size(), size_t{Threads * PerThread});
    std::set<std::string> messages;
    for (const std::string &line : lines) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, StampedLine)) << line;
        messages.insert(match[1]);
    }
    EXPECT_EQ(messages.size(), size_t{Threads * PerThread});
}

} // namespace
