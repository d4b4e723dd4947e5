// The TCP listener of the interface service: one request per connection,
// read up to its 0x00 without a time-out, handled on a thread of its own,
// answered once, then the connection is closed.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class TInterfaceListener {
public:
    // Called on a worker thread with the bytes before the request's 0x00.
    // Returns the bytes to write back (nothing: no answer). An exception ends
    // the connection without an answer.
    using TRequestHandler = std::function<std::optional<std::string>(const std::string &request)>;

    explicit TInterfaceListener(TRequestHandler handler);
    ~TInterfaceListener(); // stops
    TInterfaceListener(const TInterfaceListener &) = delete;
    TInterfaceListener &operator=(const TInterfaceListener &) = delete;

    // Listens on every local address at port (0: a free port the system
    // picks). Throws std::runtime_error with a readable message when the port
    // cannot be taken.
    void Start(uint16_t port);
    // Closes the listening socket and every connection, lets requests being
    // handled finish and joins every thread. Requests still waiting are not
    // handled.
    void Stop();
    bool Active() const;
    uint16_t Port() const;
    // True from the start of Stop: a request handler that has waited for its
    // turn skips its work.
    bool Stopping() const { return Stopping_.load(); }

private:
    class TImpl;
    std::unique_ptr<TImpl> Impl_;
    TRequestHandler Handler_;
    std::atomic<bool> Stopping_{false};
};

// Raises the soft limit of open files to the hard limit, so that thousands of
// idle connections do not lock new ones out. Returns the limit now in force.
uint64_t RaiseOpenFileLimit();
