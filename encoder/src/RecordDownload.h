// The lock record download: a port of its own at 1200 baud, the request
// "PLEASE LOAD2PC,OK", then 32 blocks of 64 bytes, each read after a 1200 ms
// pause (64 bytes take about 533 ms at 1200 baud, and a read returns within
// about 10 ms with whatever is waiting). At least 38.4 s in all.
#pragma once

#include <cstdint>

#include "Port.h"

namespace en24 {

inline constexpr int32_t kRecordBaudRate = 1200;
inline constexpr size_t kRecordBlockCount = 32;
inline constexpr size_t kRecordBlockSize = 64;
inline constexpr uint32_t kRecordBlockPauseMs = 1200;

// How the download reaches its port; the library opens the real serial
// device, tests hand in a scripted port.
class RecordPortAccess {
public:
    virtual ~RecordPortAccess() = default;
    // Opens COM<portNo> at baudRate; null when it cannot be opened.
    virtual Port *Open(int32_t portNo, int32_t baudRate) = 0;
    // Closes what Open opened.
    virtual void Close() = 0;
};

// 1 with the 2048 bytes as 4096 hex characters and a zero byte in text (4097
// bytes); 0 when text is null or the port cannot be opened (no traffic);
// -85 when the request cannot be written; -86 when a read fails or a block
// comes short. The text is written only on success; the port is closed on
// every path after it was opened.
int32_t DownloadRecords(RecordPortAccess &access, Clock &clock, int32_t portNo, char *text);

} // namespace en24
