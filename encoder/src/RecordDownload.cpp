#include "RecordDownload.h"

#include <array>

#include "Exchange.h"
#include "Frame.h"

namespace en24 {

namespace {

constexpr char kRequest[] = "PLEASE LOAD2PC,OK"; // sent as it is: no frame, no terminator
constexpr size_t kRequestLength = sizeof kRequest - 1;
constexpr uint32_t kFailureSleepMs = 200;

} // namespace

int32_t DownloadRecords(RecordPortAccess &access, Clock &clock, int32_t portNo, char *text)
{
    if (text == nullptr)
        return 0;
    Port *port = access.Open(portNo, kRecordBaudRate);
    if (port == nullptr)
        return 0;

    const auto fail = [&](int32_t code) {
        port->ClearErrors();
        clock.SleepMs(kFailureSleepMs);
        access.Close();
        return code;
    };

    if (!PreRead(*port))
        return fail(-86);
    port->PurgeOutput();
    port->PurgeInput();
    if (!port->Write(reinterpret_cast<const uint8_t *>(kRequest), kRequestLength))
        return fail(-85);

    std::array<uint8_t, kRecordBlockCount * kRecordBlockSize> records{};
    for (size_t block = 0; block < kRecordBlockCount; ++block) {
        clock.SleepMs(kRecordBlockPauseMs);
        const int got = port->Read(records.data() + block * kRecordBlockSize, kRecordBlockSize);
        if (got != static_cast<int>(kRecordBlockSize))
            return fail(-86);
    }
    access.Close();
    HexText(records.data(), records.size(), text);
    return 1;
}

} // namespace en24
