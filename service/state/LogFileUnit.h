// The day's log: one time-stamped line per call, in the file named after the
// day the service started, beside the executable.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "DateTimeUnit.h"

class TLogFile {
public:
    // Stores the path; touches no file.
    explicit TLogFile(std::string fileName);

    // <dir>yyyymmdd.LOG for the given start day; dir ends with a separator.
    static std::string FileNameFor(const std::string &dir, TDateTime startDay);

    const std::string &FileName() const { return FileName_; }

    // Appends "yyyy-mm-dd hh:nn:ss " + message + CRLF. Never fails to the
    // caller; lines from different threads never mix and none is lost.
    void WriteLog(std::string_view message);

private:
    std::string FileName_;
    std::mutex Lock_;
};
