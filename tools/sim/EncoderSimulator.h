// A card encoder on a pseudo-terminal, for tests, demos and benchmarks.
//
// The simulator opens a new pseudo-terminal, links its slave path (/dev/pts/N)
// at the path the caller names, and answers the encoder's commands on a thread
// of its own. Anything that opens that path like a serial port (the library
// with EN24_COM1=<path>, a test with plain termios) talks to it as to the
// encoder on COM1. Every public method may be called from any thread while the
// simulator answers.
//
// What the simulated encoder does with what it receives:
// - Command frames: 0xAA, length (command byte plus data bytes), command, data,
//   check byte (XOR of every byte before it). Every frame is recorded. A frame
//   with a wrong check byte is counted and not answered. Bytes outside a frame
//   are skipped; a frame that stays incomplete for 100 ms is dropped, so a
//   stray 0xAA cannot swallow the next command.
// - Buzzer 0x80: counts a beep; no reply.
// - Read card 0xE4: after the reply delay, 20 bytes:
//     0x55, the command code (a byte the library does not interpret),
//     status (0x01 with a readable card; 0x00 without a card, or the status
//     given to PutUnreadableCard), the 12-byte record (zeros when no record can
//     be read), 4 reserved zero bytes, XOR of the 19 bytes before it.
// - Read card with serial 0x53: 24 bytes: the same first 19 bytes, then the
//   card's 4-byte serial (zeros without a card), then the XOR of the 23 bytes
//   before it.
// - Write card 0xEC with 12 data bytes: a readable card on the encoder takes the
//   record at once, so a read-back shows it; no reply.
// - The record download request "PLEASE LOAD2PC,OK" (17 raw bytes, no frame):
//   after the reply delay the download bytes are sent one by one at the pace
//   of 1200 baud, 8N1 (one byte per 8.333 ms, 2048 bytes in about 17 s). It is
//   recorded in Frames() like a frame.
//
// "Answering" and the overlap count: a frame that arrives while the encoder is
// still answering an earlier one is counted by OverlapCount() (and handled as
// usual). The encoder is answering
// - a read command from its arrival until its reply has been sent (the reply
//   delay; also when a fault suppresses or changes the reply),
// - a write command for 1800 ms after its arrival: the card write takes about
//   2 s and a correctly serialised caller waits 2000 ms after writing, so the
//   200 ms margin absorbs scheduling jitter and such a caller is never flagged,
// - the record download until its last byte has been sent.
// The buzzer, frames with a wrong check byte and unknown commands keep it busy
// for no time. A frame with a wrong check byte arriving during an answer is
// counted as an overlap too.
//
// Timing defaults: reply delay 20 ms (time from the end of a read command to
// the reply, the encoder reading the card). Benchmarks that measure the
// library against its own pacing floor should set the delay to 0.
//
// The slave side: the simulator keeps one slave descriptor of its own open, so
// a caller may close and reopen the link path between operations without the
// simulator seeing a hang-up. A caller may hold the port with flock and
// exclusive mode (TIOCEXCL); a serial port leaves exclusive mode at its last
// close, but a pseudo-terminal keeps it while the master is open, which would
// keep a caller other than root from opening the port again. The simulator
// therefore ends exclusive mode every 5 ms; flock still keeps two holders
// apart. (So an open, close and reopen within those 5 ms with no traffic can
// still be refused for a caller other than root.) HangUp() closes the master side (and that
// descriptor): the caller's reads then fail, the /dev/pts/N path goes away and
// the link is removed, so opening the link path fails from then on.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace en24sim {

enum class Fault {
    None,
    Silence,         // every command is recorded, nothing is done or answered
    NoiseBeforeSync, // a read reply is preceded by noise bytes (none of them 0x55)
    ShortReply,      // a read reply stops after the sync byte and 9 more bytes
    RefuseWrite,     // the card does not take a write: it keeps its record
    HangUp,          // the next command makes the device go away (as HangUp())
};

// Bytes sent before the sync byte under Fault::NoiseBeforeSync.
inline constexpr std::array<uint8_t, 5> kNoiseBytes{0x00, 0xFF, 0xAA, 0x13, 0x54};
// Bytes of a read reply (sync byte included) sent under Fault::ShortReply.
inline constexpr std::size_t kShortReplyLength = 10;
inline constexpr std::chrono::milliseconds kDefaultReplyDelay{20};
inline constexpr std::chrono::milliseconds kWriteBusyTime{1800};
inline constexpr std::chrono::microseconds kDownloadByteTime{8333}; // 10 bits at 1200 baud
inline constexpr std::size_t kDefaultDownloadSize = 2048;
inline constexpr std::array<uint8_t, 4> kDefaultCardSerial{0x3A, 0x91, 0x5C, 0x07};

class EncoderSimulator {
public:
    using Record = std::array<uint8_t, 12>;
    using Serial = std::array<uint8_t, 4>;

    // New pseudo-terminal, slave path symlinked at linkPath (a stale symlink
    // there is replaced; any other file there is left alone and makes this
    // throw), answering on a thread. Throws std::system_error on failure.
    // The encoder starts with no card, no fault and the default delay.
    explicit EncoderSimulator(std::string linkPath);
    ~EncoderSimulator(); // stops, removes the link (when it still points here)

    EncoderSimulator(const EncoderSimulator &) = delete;
    EncoderSimulator &operator=(const EncoderSimulator &) = delete;

    const std::string &LinkPath() const;
    std::string SlavePath() const; // the /dev/pts/N the link points at

    void PutCard(const Record &record);     // a readable card (reply status 0x01)
    void PutUnreadableCard(uint8_t status); // a card whose data block cannot be read (status != 0x01)
    void RemoveCard();                      // no card: reply status 0x00
    std::optional<Record> Card() const;     // the record on a readable card now; nothing otherwise
    void SetCardSerial(const Serial &serial); // serial of the card on the encoder (default kDefaultCardSerial)

    void SetReplyDelay(std::chrono::milliseconds delay);
    std::chrono::milliseconds ReplyDelay() const;
    void SetFault(Fault fault); // applies to the following commands until reset to None
    Fault CurrentFault() const;

    // Answer to "PLEASE LOAD2PC,OK"; by default 2048 bytes (0x00, 0x01, ...
    // 0xFF repeated). Fewer bytes emulate a device that stops short.
    void SetRecordDownload(std::vector<uint8_t> bytes);
    std::vector<uint8_t> RecordDownload() const;

    std::vector<std::vector<uint8_t>> Frames() const; // every frame received, in order (the download request too)
    // Waits until at least count frames were received; false on time-out.
    bool WaitForFrames(std::size_t count, std::chrono::milliseconds timeout) const;
    int BadCheckCount() const; // frames with a wrong check byte (not answered)
    int OverlapCount() const;  // frames that arrived while still answering another
    int BeepCount() const;     // buzzer commands carried out

    void HangUp();         // the device goes away now (master closed); returns when it is gone
    bool HungUp() const;

private:
    struct Impl;
    std::string linkPath_;
    std::unique_ptr<Impl> impl_;
};

} // namespace en24sim
