#include "LogFileUnit.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

TLogFile::TLogFile(std::string fileName) : FileName_(std::move(fileName)) {}

std::string TLogFile::FileNameFor(const std::string &dir, TDateTime startDay) {
    return dir + FormatDateTime("yyyymmdd", startDay) + ".LOG";
}

void TLogFile::WriteLog(std::string_view message) {
    try {
        // Held across open, write and close: a line from another thread
        // waits for this one instead of being dropped.
        std::lock_guard<std::mutex> hold(Lock_);
        std::string line = FormatDateTime("yyyy-mm-dd hh:nn:ss ", Now());
        line.append(message);
        line += "\r\n";
        const int fd = open(FileName_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
        if (fd < 0)
            return;
        const off_t end = lseek(fd, 0, SEEK_END);
        // One write of the whole line, so other programs appending to the
        // file never split it.
        size_t done = 0;
        while (done < line.size()) {
            const ssize_t put = write(fd, line.data() + done, line.size() - done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                break;
            done += static_cast<size_t>(put);
        }
        // A full disk may take only part of the line; the part would run into
        // the next line, so the line is taken back and dropped whole.
        if (done > 0 && done < line.size() && end >= 0 && ftruncate(fd, end) != 0) {
            // Nothing more can be done for it.
        }
        close(fd);
    } catch (...) {
        // The log never fails its caller; the line is dropped.
    }
}
