#include "EncoderSimulator.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace en24sim {
namespace {

using SteadyClock = std::chrono::steady_clock;
using TimePoint = SteadyClock::time_point;

constexpr uint8_t kFrameStart = 0xAA;
constexpr uint8_t kSyncByte = 0x55;
constexpr uint8_t kBuzzerCommand = 0x80;
constexpr uint8_t kReadCommand = 0xE4;
constexpr uint8_t kReadSerialCommand = 0x53;
constexpr uint8_t kWriteCommand = 0xEC;
constexpr uint8_t kStatusCardRead = 0x01;
constexpr uint8_t kStatusNoCard = 0x00;
constexpr char kDownloadRequest[] = "PLEASE LOAD2PC,OK";
constexpr std::size_t kDownloadRequestLength = sizeof kDownloadRequest - 1;
// An encoder drops a frame whose bytes stop coming for this long.
constexpr std::chrono::milliseconds kIncompleteFrameTimeout{100};
// After the last slave descriptor closes, the master reports POLLHUP until the
// slave is reopened; look again after this long instead of spinning.
constexpr std::chrono::milliseconds kIdleRetry{5};
// A caller may put the port in exclusive mode (TIOCEXCL). A serial port leaves
// that mode at its last close; a pseudo-terminal keeps it while its master is
// open, so a caller other than root could not open the port again. The
// simulator ends exclusive mode this often (flock still keeps callers apart).
constexpr std::chrono::milliseconds kExclusiveCheck{5};

std::system_error SystemError(const std::string &what) {
    return std::system_error(errno, std::generic_category(), what);
}

uint8_t XorOf(const uint8_t *bytes, std::size_t count) {
    uint8_t x = 0;
    for (std::size_t i = 0; i < count; ++i) x = static_cast<uint8_t>(x ^ bytes[i]);
    return x;
}

void MakeRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) throw SystemError("tcgetattr");
    cfmakeraw(&tio);
    if (tcsetattr(fd, TCSANOW, &tio) != 0) throw SystemError("tcsetattr");
}

std::vector<uint8_t> DefaultDownload() {
    std::vector<uint8_t> bytes(kDefaultDownloadSize);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i & 0xFF);
    return bytes;
}

// Points linkPath at target: a symlink made beside it and renamed over it, so
// a stale link is replaced in one step. Anything but a symlink is left alone.
void LinkAt(const std::string &linkPath, const std::string &target) {
    struct stat st {};
    if (lstat(linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        errno = EEXIST;
        throw SystemError("not a symlink, left alone: " + linkPath);
    }
    const std::string temp = linkPath + ".new" + std::to_string(getpid());
    unlink(temp.c_str());
    if (symlink(target.c_str(), temp.c_str()) != 0) throw SystemError("symlink " + temp);
    if (rename(temp.c_str(), linkPath.c_str()) != 0) {
        const int saved = errno;
        unlink(temp.c_str());
        errno = saved;
        throw SystemError("rename to " + linkPath);
    }
}

// Removes linkPath only when it still points at target (a later simulator may
// have taken the path over).
void UnlinkIfOurs(const std::string &linkPath, const std::string &target) {
    char buffer[4096];
    const ssize_t n = readlink(linkPath.c_str(), buffer, sizeof buffer - 1);
    if (n < 0) return;
    if (std::string(buffer, static_cast<std::size_t>(n)) == target) unlink(linkPath.c_str());
}

} // namespace

struct EncoderSimulator::Impl {
    enum class CardState { None, Readable, Unreadable };

    // Fixed at construction.
    std::string linkPath;
    std::string slavePath;
    int wakeFd = -1;

    mutable std::mutex mutex;
    mutable std::condition_variable changed; // frames arrived, hang-up done

    // Guarded by mutex.
    int masterFd = -1;
    int ownSlaveFd = -1;
    CardState cardState = CardState::None;
    uint8_t unreadableStatus = 0;
    Record record{};
    Serial serial = kDefaultCardSerial;
    std::chrono::milliseconds replyDelay = kDefaultReplyDelay;
    Fault fault = Fault::None;
    std::vector<uint8_t> download = DefaultDownload();
    std::vector<std::vector<uint8_t>> frames;
    int badChecks = 0;
    int overlaps = 0;
    int beeps = 0;
    TimePoint busyUntil{};
    bool stopping = false;
    bool hangUpRequested = false;
    bool hungUp = false;

    // Touched only by the answering thread (under mutex while processing).
    std::multimap<TimePoint, std::vector<uint8_t>> outgoing; // bytes due to be sent
    std::vector<uint8_t> input;                              // bytes not yet parsed
    TimePoint lastInput{};
    TimePoint masterIdleUntil{};
    bool writeBlocked = false; // the slave's input queue was full at the last write

    std::thread thread;

    void Wake() const {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(wakeFd, &one, sizeof one);
    }

    void Run();
    void Feed(const uint8_t *bytes, std::size_t count, TimePoint now);
    void ParseInput(TimePoint now);
    void OnFrame(std::vector<uint8_t> frame, bool isDownloadRequest, TimePoint now);
    std::vector<uint8_t> ReadReply(uint8_t command) const;
    void SendDue(TimePoint now);
    void CloseDevice();
};

void EncoderSimulator::Impl::CloseDevice() {
    if (masterFd >= 0) close(masterFd);
    if (ownSlaveFd >= 0) close(ownSlaveFd);
    masterFd = -1;
    ownSlaveFd = -1;
    outgoing.clear();
    input.clear();
    UnlinkIfOurs(linkPath, slavePath);
    hungUp = true;
    changed.notify_all();
}

std::vector<uint8_t> EncoderSimulator::Impl::ReadReply(uint8_t command) const {
    std::vector<uint8_t> reply;
    reply.reserve(24);
    reply.push_back(kSyncByte);
    reply.push_back(command);
    switch (cardState) {
    case CardState::None: reply.push_back(kStatusNoCard); break;
    case CardState::Readable: reply.push_back(kStatusCardRead); break;
    case CardState::Unreadable: reply.push_back(unreadableStatus); break;
    }
    if (cardState == CardState::Readable) {
        reply.insert(reply.end(), record.begin(), record.end());
    } else {
        reply.insert(reply.end(), record.size(), 0);
    }
    reply.insert(reply.end(), 4, 0); // reserved
    if (command == kReadSerialCommand) {
        if (cardState == CardState::None) {
            reply.insert(reply.end(), serial.size(), 0);
        } else {
            reply.insert(reply.end(), serial.begin(), serial.end());
        }
    }
    reply.push_back(XorOf(reply.data(), reply.size()));
    return reply;
}

void EncoderSimulator::Impl::OnFrame(std::vector<uint8_t> frame, bool isDownloadRequest, TimePoint now) {
    if (now < busyUntil) ++overlaps;
    const bool checkOk = isDownloadRequest || XorOf(frame.data(), frame.size() - 1) == frame.back();
    const uint8_t length = isDownloadRequest ? 0 : frame[1];
    const uint8_t command = (!isDownloadRequest && length >= 1) ? frame[2] : 0;
    std::vector<uint8_t> data;
    if (!isDownloadRequest && length >= 1) data.assign(frame.begin() + 3, frame.end() - 1);
    frames.push_back(std::move(frame));
    changed.notify_all();

    if (!checkOk) {
        ++badChecks;
        return;
    }
    if (fault == Fault::HangUp) {
        CloseDevice();
        return;
    }
    if (fault == Fault::Silence) return;

    const TimePoint due = now + replyDelay;
    if (isDownloadRequest) {
        TimePoint at = due;
        for (uint8_t b : download) {
            outgoing.emplace(at, std::vector<uint8_t>{b});
            busyUntil = std::max(busyUntil, at);
            at += std::chrono::duration_cast<SteadyClock::duration>(kDownloadByteTime);
        }
        return;
    }
    switch (command) {
    case kBuzzerCommand:
        ++beeps;
        break;
    case kReadCommand:
    case kReadSerialCommand: {
        if (length != 1) break;
        std::vector<uint8_t> reply = ReadReply(command);
        if (fault == Fault::ShortReply) reply.resize(kShortReplyLength);
        if (fault == Fault::NoiseBeforeSync) reply.insert(reply.begin(), kNoiseBytes.begin(), kNoiseBytes.end());
        outgoing.emplace(due, std::move(reply));
        busyUntil = std::max(busyUntil, due);
        break;
    }
    case kWriteCommand:
        if (data.size() != record.size()) break;
        if (cardState == CardState::Readable && fault != Fault::RefuseWrite) {
            std::copy(data.begin(), data.end(), record.begin());
        }
        busyUntil = std::max(busyUntil, now + kWriteBusyTime);
        break;
    default:
        break; // not a command of this encoder: recorded, ignored
    }
}

void EncoderSimulator::Impl::ParseInput(TimePoint now) {
    std::size_t pos = 0;
    while (pos < input.size() && masterFd >= 0) {
        const std::size_t left = input.size() - pos;
        const uint8_t first = input[pos];
        if (first == kFrameStart) {
            if (left < 2) break;
            const std::size_t total = std::size_t{input[pos + 1]} + 3;
            if (left < total) break;
            std::vector<uint8_t> frame(input.begin() + static_cast<std::ptrdiff_t>(pos),
                                       input.begin() + static_cast<std::ptrdiff_t>(pos + total));
            pos += total;
            OnFrame(std::move(frame), false, now);
        } else if (first == static_cast<uint8_t>(kDownloadRequest[0])) {
            const std::size_t n = std::min(left, kDownloadRequestLength);
            if (std::memcmp(input.data() + pos, kDownloadRequest, n) != 0) {
                ++pos; // not the request: a stray byte
                continue;
            }
            if (n < kDownloadRequestLength) break;
            std::vector<uint8_t> request(input.begin() + static_cast<std::ptrdiff_t>(pos),
                                         input.begin() + static_cast<std::ptrdiff_t>(pos + n));
            pos += n;
            OnFrame(std::move(request), true, now);
        } else {
            ++pos; // a byte outside any frame
        }
    }
    if (masterFd < 0) return; // hung up while processing
    input.erase(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(pos));
}

void EncoderSimulator::Impl::Feed(const uint8_t *bytes, std::size_t count, TimePoint now) {
    if (!input.empty() && now - lastInput > kIncompleteFrameTimeout) input.clear();
    input.insert(input.end(), bytes, bytes + count);
    lastInput = now;
    ParseInput(now);
}

void EncoderSimulator::Impl::SendDue(TimePoint now) {
    writeBlocked = false;
    while (masterFd >= 0 && !outgoing.empty() && outgoing.begin()->first <= now) {
        auto it = outgoing.begin();
        std::vector<uint8_t> &bytes = it->second;
        const ssize_t n = write(masterFd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                writeBlocked = true;
                return;
            }
            outgoing.erase(it); // nobody on the line: the bytes are lost, as on a cable
            continue;
        }
        if (static_cast<std::size_t>(n) < bytes.size()) {
            bytes.erase(bytes.begin(), bytes.begin() + n);
            writeBlocked = true;
            return;
        }
        outgoing.erase(it);
    }
}

void EncoderSimulator::Impl::Run() {
    std::unique_lock lock(mutex);
    while (!stopping) {
        const TimePoint now = SteadyClock::now();
        if (hangUpRequested && !hungUp) CloseDevice();

        // Poll time-out: the next byte due to go out, the end of an idle
        // master, or the moment an incomplete frame goes stale.
        TimePoint wakeAt = TimePoint::max();
        if (!outgoing.empty()) wakeAt = outgoing.begin()->first;
        if (masterIdleUntil > now) wakeAt = std::min(wakeAt, masterIdleUntil);
        if (!input.empty()) wakeAt = std::min(wakeAt, lastInput + kIncompleteFrameTimeout + kIdleRetry);
        int timeoutMs = -1;
        if (wakeAt != TimePoint::max()) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wakeAt - now).count();
            timeoutMs = static_cast<int>(std::clamp<long long>(wait, 0, 1000));
        }
        pollfd fds[2] = {{wakeFd, POLLIN, 0}, {-1, POLLIN, 0}};
        const bool watchMaster = masterFd >= 0 && masterIdleUntil <= now;
        if (watchMaster) fds[1].fd = masterFd;
        if (ownSlaveFd >= 0) {
            (void)ioctl(ownSlaveFd, TIOCNXCL);
            if (timeoutMs < 0 || timeoutMs > kExclusiveCheck.count()) timeoutMs = static_cast<int>(kExclusiveCheck.count());
        }
        if (writeBlocked) timeoutMs = static_cast<int>(kIdleRetry.count()); // try the write again soon

        lock.unlock();
        const int ready = poll(fds, 2, timeoutMs);
        lock.lock();
        if (ready < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = read(wakeFd, &count, sizeof count);
        }
        if (stopping) break;
        if (hangUpRequested && !hungUp) continue;

        const TimePoint after = SteadyClock::now();
        if (watchMaster && masterFd >= 0 && fds[1].revents != 0) {
            uint8_t buffer[512];
            const ssize_t n = read(masterFd, buffer, sizeof buffer);
            if (n > 0) {
                Feed(buffer, static_cast<std::size_t>(n), after);
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                // nothing after all
            } else {
                // EIO / POLLHUP: no slave descriptor open right now. The port
                // will be opened again; look again shortly.
                masterIdleUntil = after + kIdleRetry;
            }
        }
        if (masterFd >= 0 && !input.empty() && after - lastInput > kIncompleteFrameTimeout) input.clear();
        SendDue(after);
    }
}

EncoderSimulator::EncoderSimulator(std::string linkPath)
    : linkPath_(std::move(linkPath)), impl_(std::make_unique<Impl>()) {
    Impl &s = *impl_;
    s.linkPath = linkPath_;
    s.masterFd = posix_openpt(O_RDWR | O_NOCTTY);
    if (s.masterFd < 0) throw SystemError("posix_openpt");
    auto fail = [&s](const std::string &what) {
        const std::system_error error = SystemError(what);
        if (s.ownSlaveFd >= 0) close(s.ownSlaveFd);
        close(s.masterFd);
        if (s.wakeFd >= 0) close(s.wakeFd);
        return error;
    };
    if (grantpt(s.masterFd) != 0) throw fail("grantpt");
    if (unlockpt(s.masterFd) != 0) throw fail("unlockpt");
    char name[128];
    if (ptsname_r(s.masterFd, name, sizeof name) != 0) throw fail("ptsname_r");
    s.slavePath = name;
    s.ownSlaveFd = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (s.ownSlaveFd < 0) throw fail("open " + s.slavePath);
    try {
        MakeRaw(s.masterFd);
        MakeRaw(s.ownSlaveFd);
    } catch (const std::system_error &) {
        throw fail("line settings of " + s.slavePath);
    }
    const int flags = fcntl(s.masterFd, F_GETFL);
    if (flags < 0 || fcntl(s.masterFd, F_SETFL, flags | O_NONBLOCK) != 0) throw fail("fcntl");
    s.wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (s.wakeFd < 0) throw fail("eventfd");
    try {
        LinkAt(linkPath_, s.slavePath);
    } catch (const std::system_error &) {
        throw fail("link " + linkPath_ + " -> " + s.slavePath);
    }
    s.thread = std::thread([&s] { s.Run(); });
}

EncoderSimulator::~EncoderSimulator() {
    Impl &s = *impl_;
    {
        std::lock_guard lock(s.mutex);
        s.stopping = true;
    }
    s.Wake();
    if (s.thread.joinable()) s.thread.join();
    std::lock_guard lock(s.mutex);
    if (!s.hungUp) {
        if (s.masterFd >= 0) close(s.masterFd);
        if (s.ownSlaveFd >= 0) close(s.ownSlaveFd);
        UnlinkIfOurs(s.linkPath, s.slavePath);
    }
    close(s.wakeFd);
}

const std::string &EncoderSimulator::LinkPath() const { return linkPath_; }

std::string EncoderSimulator::SlavePath() const { return impl_->slavePath; }

void EncoderSimulator::PutCard(const Record &record) {
    std::lock_guard lock(impl_->mutex);
    impl_->cardState = Impl::CardState::Readable;
    impl_->record = record;
}

void EncoderSimulator::PutUnreadableCard(uint8_t status) {
    std::lock_guard lock(impl_->mutex);
    impl_->cardState = Impl::CardState::Unreadable;
    impl_->unreadableStatus = status;
    impl_->record = {};
}

void EncoderSimulator::RemoveCard() {
    std::lock_guard lock(impl_->mutex);
    impl_->cardState = Impl::CardState::None;
    impl_->record = {};
}

std::optional<EncoderSimulator::Record> EncoderSimulator::Card() const {
    std::lock_guard lock(impl_->mutex);
    if (impl_->cardState != Impl::CardState::Readable) return std::nullopt;
    return impl_->record;
}

void EncoderSimulator::SetCardSerial(const Serial &serial) {
    std::lock_guard lock(impl_->mutex);
    impl_->serial = serial;
}

void EncoderSimulator::SetReplyDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(impl_->mutex);
    impl_->replyDelay = std::max(delay, std::chrono::milliseconds{0});
}

std::chrono::milliseconds EncoderSimulator::ReplyDelay() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->replyDelay;
}

void EncoderSimulator::SetFault(Fault fault) {
    std::lock_guard lock(impl_->mutex);
    impl_->fault = fault;
}

Fault EncoderSimulator::CurrentFault() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->fault;
}

void EncoderSimulator::SetRecordDownload(std::vector<uint8_t> bytes) {
    std::lock_guard lock(impl_->mutex);
    impl_->download = std::move(bytes);
}

std::vector<uint8_t> EncoderSimulator::RecordDownload() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->download;
}

std::vector<std::vector<uint8_t>> EncoderSimulator::Frames() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->frames;
}

bool EncoderSimulator::WaitForFrames(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(impl_->mutex);
    return impl_->changed.wait_for(lock, timeout, [&] { return impl_->frames.size() >= count; });
}

int EncoderSimulator::BadCheckCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->badChecks;
}

int EncoderSimulator::OverlapCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->overlaps;
}

int EncoderSimulator::BeepCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->beeps;
}

void EncoderSimulator::HangUp() {
    Impl &s = *impl_;
    std::unique_lock lock(s.mutex);
    if (s.hungUp) return;
    s.hangUpRequested = true;
    s.Wake();
    s.changed.wait(lock, [&s] { return s.hungUp; });
}

bool EncoderSimulator::HungUp() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->hungUp;
}

} // namespace en24sim
