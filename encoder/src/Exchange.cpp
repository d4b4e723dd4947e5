#include "Exchange.h"

#include "EN24_C1.h"

#include <array>

namespace en24 {

// Drops one byte left over from an earlier exchange. A read that times out
// empty is fine; a read call that fails is retried after clearing the port's
// error state, but not for ever: a device that went away fails every call.
bool PreRead(Port &port) noexcept
{
    for (int attempt = 0; attempt < kPreReadAttempts; ++attempt) {
        uint8_t stale = 0;
        if (port.Read(&stale, 1) >= 0)
            return true;
        port.ClearErrors();
    }
    return false;
}

namespace {

// Output is purged before input so that nothing queued can provoke an answer
// after the input purge. One write call carries the whole frame.
int32_t SendFrame(Port &port, Clock &clock, const Frame &frame)
{
    port.PurgeOutput();
    port.PurgeInput();
    if (!port.Write(frame.data(), frame.size)) {
        port.ClearErrors();
        clock.SleepMs(kAfterWriteFailMs);
        return EN24_ERR_WRITE;
    }
    return EN24_OK;
}

int32_t ReadExchange(Port &port, Clock &clock, Command command, size_t replySize, char *readText)
{
    if (readText == nullptr)
        return EN24_REFUSED;
    if (!PreRead(port)) {
        clock.SleepMs(kAfterPollFailMs);
        return EN24_ERR_READ;
    }
    if (int32_t sent = SendFrame(port, clock, BuildFrame(command)); sent != EN24_OK)
        return sent;

    std::array<uint8_t, kReadCardSNReplySize> reply{};
    bool synced = false;
    for (int poll = 0; poll < kSyncPolls && !synced; ++poll) {
        int got = port.Read(reply.data(), 1);
        if (got < 0) {
            port.ClearErrors();
            clock.SleepMs(kAfterPollFailMs);
            return EN24_ERR_READ;
        }
        // Anything before the sync byte is noise and dropped.
        synced = got == 1 && reply[0] == kSyncByte;
    }
    if (!synced)
        return EN24_ERR_NO_REPLY;

    clock.SleepMs(kRestOfReplyMs);
    const size_t rest = replySize - 1;
    // A short rest is a failed read too: unreceived bytes never reach the caller.
    if (port.Read(reply.data() + 1, rest) != static_cast<int>(rest)) {
        port.ClearErrors();
        clock.SleepMs(kAfterRestFailMs);
        return EN24_ERR_READ;
    }
    HexText(reply.data(), replySize, readText);
    clock.SleepMs(kAfterReplyMs);
    return EN24_OK;
}

} // namespace

int32_t ReadCard(Port &port, Clock &clock, char *readText) noexcept
{
    return ReadExchange(port, clock, Command::ReadCard, kReadCardReplySize, readText);
}

int32_t ReadCardSN(Port &port, Clock &clock, char *readText) noexcept
{
    return ReadExchange(port, clock, Command::ReadCardSN, kReadCardSNReplySize, readText);
}

int32_t WriteRFData(Port &port, Clock &clock, const uint8_t *record) noexcept
{
    if (record == nullptr)
        return EN24_REFUSED;
    if (!PreRead(port)) {
        clock.SleepMs(kAfterPollFailMs);
        return EN24_ERR_READ;
    }
    const Frame frame = BuildFrame(Command::WriteCard, {record, kCardRecordSize});
    if (int32_t sent = SendFrame(port, clock, frame); sent != EN24_OK)
        return sent;
    // Whatever the encoder answers is purged by the next exchange.
    clock.SleepMs(kWriteCardMs);
    return EN24_OK;
}

int32_t Buzzer(Port &port, Clock &clock) noexcept
{
    static constexpr uint8_t kData[] = {kBuzzerData};
    return SendFrame(port, clock, BuildFrame(Command::Buzzer, kData));
}

} // namespace en24
