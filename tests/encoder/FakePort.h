// A scripted stand-in for the encoder's serial port and a manual clock, for
// tests of anything written against en24::Port and en24::Clock.
//
//   en24::testing::FakePort port;
//   port.Answer(en24::testing::ReadReply(0x01, record));  // reply to the next frame
//   EXPECT_EQ(en24::ReadCard(port, port.clock, text), 1);
//   EXPECT_EQ(port.Trace(), "read1:0 purge-out purge-in write:AA01E44F read1:1 sleep:200 "
//                           "read19:19 sleep:200");
//
// Time is virtual: a sleep advances the clock at once, and a read that
// delivers fewer bytes than asked for counts as having waited out its 10 ms
// time-out. Every call is recorded in order (Events, Trace), so a test can
// check the exact order of purges, writes, polls, clean-ups and sleeps.
#pragma once

#include "Frame.h"
#include "Port.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace en24::testing {

using Bytes = std::vector<uint8_t>;
using CardRecord = std::array<uint8_t, 12>;

inline std::string Hex(std::span<const uint8_t> bytes)
{
    std::string text(2 * bytes.size() + 1, '\0');
    en24::HexText(bytes.data(), bytes.size(), text.data());
    text.pop_back(); // the zero byte
    return text;
}

// One call made by the code under test.
struct Event {
    enum class Kind { Read, Write, PurgeOutput, PurgeInput, ClearErrors, Sleep };
    Kind kind;
    size_t requested = 0; // Read: bytes asked for
    int result = 0;       // Read: bytes delivered or -1; Write: 1 written, -1 failed; Sleep: ms
    Bytes bytes;          // Read: bytes delivered; Write: bytes handed over

    // "read1:0", "read19:-1", "write:AA01E44F", "write!:AA01E44F" (failed),
    // "purge-out", "purge-in", "clear", "sleep:200".
    std::string Text() const
    {
        switch (kind) {
        case Kind::Read: return "read" + std::to_string(requested) + ":" + std::to_string(result);
        case Kind::Write: return std::string(result < 0 ? "write!:" : "write:") + Hex(bytes);
        case Kind::PurgeOutput: return "purge-out";
        case Kind::PurgeInput: return "purge-in";
        case Kind::ClearErrors: return "clear";
        case Kind::Sleep: return "sleep:" + std::to_string(result);
        }
        return "?";
    }
};

// The clock of a FakePort: a sleep advances virtual time at once and is
// recorded among the port's calls.
class ManualClock final : public Clock {
public:
    void SleepMs(uint32_t milliseconds) override
    {
        nowMs_ += milliseconds;
        events_->push_back({Event::Kind::Sleep, 0, static_cast<int>(milliseconds), {}});
    }
    void Advance(uint32_t milliseconds) { nowMs_ += milliseconds; }
    uint64_t NowMs() const { return nowMs_; }

private:
    friend class FakePort;
    uint64_t nowMs_ = 0;
    std::vector<Event> *events_ = nullptr; // the owning FakePort's record of calls
};

// The 20-byte reply to the read-card command (24 with the serial), as the
// encoder sends it: sync byte, one byte the library ignores, status, record,
// then the bytes the library passes through.
inline Bytes ReadReply(uint8_t status, const CardRecord &record, bool withSerial = false)
{
    static constexpr uint8_t kTail[] = {0x11, 0x22, 0x33, 0x44, 0x5A, 0x66, 0x77, 0x88, 0x99};
    Bytes reply(withSerial ? 24 : 20);
    reply[0] = 0x55;
    reply[2] = status;
    std::copy(record.begin(), record.end(), reply.begin() + 3);
    std::copy(kTail, kTail + (reply.size() - 15), reply.begin() + 15);
    return reply;
}

class FakePort final : public Port {
public:
    static constexpr uint32_t kReadTimeoutMs = 10;

    ManualClock clock;

    FakePort() { clock.events_ = &events_; }
    FakePort(const FakePort &) = delete;
    FakePort &operator=(const FakePort &) = delete;

    // ---- Script ----------------------------------------------------------

    // Bytes waiting in the input now (a purge drops them).
    void Feed(const Bytes &bytes) { input_.insert(input_.end(), bytes.begin(), bytes.end()); }

    // The answer to the next frame written that has no answer yet, in order.
    // silentReads: that many reads after the write find nothing first.
    void Answer(const Bytes &reply, int silentReads = 0) { answers_.push_back({reply, silentReads}); }

    // Answers frames once the queued answers are used up (none by default).
    std::function<Bytes(std::span<const uint8_t> frame)> responder;

    // Behave like an encoder with this card on it (nullopt: no card): read
    // commands get ReadReply with status 0x01 (0x00 and a zero record without
    // a card), a write command stores its record on the card. Queued answers
    // still go first.
    void ActAsEncoder(std::optional<CardRecord> card)
    {
        card_ = card;
        responder = [this](std::span<const uint8_t> frame) -> Bytes {
            if (frame.size() < 4)
                return {};
            if (frame[2] == 0xE4 || frame[2] == 0x53)
                return ReadReply(card_ ? 0x01 : 0x00, card_.value_or(CardRecord{}), frame[2] == 0x53);
            if (frame[2] == 0xEC && frame.size() == 16 && card_)
                std::copy(frame.begin() + 3, frame.begin() + 15, card_->begin());
            return {};
        };
    }
    const std::optional<CardRecord> &Card() const { return card_; }

    // Fault countdown over the calls that can fail (Read and Write): the
    // n-th such call from now (1 = the next) fails; with andLater every call
    // after it fails too, as on a device that went away.
    void FailIoCall(int n, bool andLater = false)
    {
        failCountdown_ = n;
        failAndLater_ = andLater;
    }
    // Every Read and Write from now on fails.
    void HangUp() { FailIoCall(1, true); }

    // ---- Port ------------------------------------------------------------

    bool Write(const uint8_t *data, size_t count) override
    {
        Bytes bytes(data, data + count);
        if (Fails()) {
            events_.push_back({Event::Kind::Write, count, -1, bytes});
            return false;
        }
        events_.push_back({Event::Kind::Write, count, 1, bytes});
        frames_.push_back(bytes);
        Bytes reply;
        if (!answers_.empty()) {
            reply = answers_.front().bytes;
            silentReads_ = answers_.front().silentReads;
            answers_.pop_front();
        } else if (responder) {
            reply = responder(bytes);
            silentReads_ = 0;
        }
        input_.insert(input_.end(), reply.begin(), reply.end());
        return true;
    }

    int Read(uint8_t *buffer, size_t count) override
    {
        if (Fails()) {
            events_.push_back({Event::Kind::Read, count, -1, {}});
            return -1;
        }
        size_t n = 0;
        if (silentReads_ > 0)
            --silentReads_;
        else
            n = std::min(count, input_.size());
        Bytes got(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
        input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
        std::copy(got.begin(), got.end(), buffer);
        if (n < count)
            clock.Advance(kReadTimeoutMs);
        events_.push_back({Event::Kind::Read, count, static_cast<int>(n), got});
        return static_cast<int>(n);
    }

    void PurgeOutput() override { events_.push_back({Event::Kind::PurgeOutput, 0, 0, {}}); }
    void PurgeInput() override
    {
        input_.clear();
        events_.push_back({Event::Kind::PurgeInput, 0, 0, {}});
    }
    void ClearErrors() override { events_.push_back({Event::Kind::ClearErrors, 0, 0, {}}); }

    // ---- Record ----------------------------------------------------------

    const std::vector<Event> &Events() const { return events_; }
    // Every frame written successfully, in order.
    const std::vector<Bytes> &Frames() const { return frames_; }
    std::vector<std::string> FrameTexts() const
    {
        std::vector<std::string> texts;
        for (const Bytes &frame : frames_)
            texts.push_back(Hex(frame));
        return texts;
    }
    // Event texts separated by blanks; a run of equal events is "text*count".
    std::string Trace() const
    {
        std::string trace;
        for (size_t i = 0; i < events_.size();) {
            const std::string text = events_[i].Text();
            size_t run = 1;
            while (i + run < events_.size() && events_[i + run].Text() == text)
                ++run;
            trace += (trace.empty() ? "" : " ") + text;
            if (run > 1)
                trace += "*" + std::to_string(run);
            i += run;
        }
        return trace;
    }
    int Count(Event::Kind kind) const
    {
        return static_cast<int>(std::count_if(events_.begin(), events_.end(),
                                              [kind](const Event &e) { return e.kind == kind; }));
    }
    // Read calls asking for exactly this many bytes (1: pre-reads and polls).
    int Reads(size_t requested) const
    {
        return static_cast<int>(std::count_if(events_.begin(), events_.end(), [requested](const Event &e) {
            return e.kind == Event::Kind::Read && e.requested == requested;
        }));
    }
    std::vector<uint32_t> Sleeps() const
    {
        std::vector<uint32_t> sleeps;
        for (const Event &e : events_)
            if (e.kind == Event::Kind::Sleep)
                sleeps.push_back(static_cast<uint32_t>(e.result));
        return sleeps;
    }
    // Read and Write calls so far: the range a fault countdown can hit.
    int IoCalls() const { return Count(Event::Kind::Read) + Count(Event::Kind::Write); }
    size_t Pending() const { return input_.size(); }
    void ClearRecord()
    {
        events_.clear();
        frames_.clear();
    }

private:
    struct Scripted {
        Bytes bytes;
        int silentReads;
    };

    bool Fails()
    {
        if (failCountdown_ <= 0)
            return false;
        if (--failCountdown_ > 0)
            return false;
        if (failAndLater_)
            failCountdown_ = 1; // stays at the failing call
        return true;
    }

    std::vector<Event> events_;
    std::vector<Bytes> frames_;
    std::deque<uint8_t> input_;
    std::deque<Scripted> answers_;
    int silentReads_ = 0;
    int failCountdown_ = 0;
    bool failAndLater_ = false;
    std::optional<CardRecord> card_;
};

} // namespace en24::testing
