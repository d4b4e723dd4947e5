#include "InterfaceListenerUnit.h"

#include <asio.hpp>

#include <future>
#include <list>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include "DoorlockMessageHandlerUnit.h"

using asio::ip::tcp;

namespace {

// A peer that vanished without closing is noticed after about two minutes
// (60 s idle, then 6 probes 10 s apart) and its connection is closed.
void UseKeepAlive(tcp::socket &socket)
{
    asio::error_code ignored;
    socket.set_option(asio::socket_base::keep_alive(true), ignored);
    const int fd = socket.native_handle();
    const int idle = 60, interval = 10, count = 6;
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

struct TConnection {
    explicit TConnection(tcp::socket socket) : Socket(std::move(socket)) {}
    tcp::socket Socket;
    TRequestFrame Frame;
    std::string Answer;
};

using TConnectionPtr = std::shared_ptr<TConnection>;

} // namespace

uint64_t RaiseOpenFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
            getrlimit(RLIMIT_NOFILE, &limit);
    }
    return limit.rlim_cur;
}

// Everything asio lives here and runs on one I/O thread: accepting, waiting
// for request bytes (an idle connection costs a socket and no thread),
// writing answers and closing. Only the handling of a request runs elsewhere,
// on a worker thread of its own.
class TInterfaceListener::TImpl {
public:
    TImpl(TInterfaceListener &owner, uint16_t port) : Owner_(owner), Acceptor_(Io_), Retry_(Io_)
    {
        Listen(port);
        Port_ = Acceptor_.local_endpoint().port();
        Accept();
        IoThread_ = std::thread([this] {
            // A handler that throws (out of memory, say) costs its connection,
            // not the listener.
            for (;;) {
                try {
                    Io_.run();
                    return;
                } catch (...) {
                }
            }
        });
    }

    ~TImpl()
    {
        std::promise<void> closed;
        asio::post(Io_, [this, &closed] {
            CloseAll();
            closed.set_value();
        });
        closed.get_future().wait();
        JoinWorkers();
        Guard_.reset();
        Io_.stop();
        IoThread_.join();
    }

    uint16_t Port() const { return Port_; }

private:
    void Listen(uint16_t port)
    {
        asio::error_code error;
        // Both IPv6 and IPv4 clients when the machine has IPv6, else IPv4 alone.
        Acceptor_.open(tcp::v6(), error);
        if (!error)
            Acceptor_.set_option(asio::ip::v6_only(false), error);
        tcp::endpoint endpoint(tcp::v6(), port);
        if (error) {
            asio::error_code ignored;
            Acceptor_.close(ignored);
            Acceptor_.open(tcp::v4());
            endpoint = tcp::endpoint(tcp::v4(), port);
        }
        Acceptor_.set_option(asio::socket_base::reuse_address(true));
        Acceptor_.bind(endpoint, error);
        if (!error)
            Acceptor_.listen(asio::socket_base::max_listen_connections, error);
        if (error)
            throw std::runtime_error("Could not listen on port " + std::to_string(port) + ": " +
                                     error.message());
    }

    void Accept()
    {
        Acceptor_.async_accept([this](const asio::error_code &error, tcp::socket socket) {
            if (error == asio::error::operation_aborted || !Acceptor_.is_open())
                return;
            if (error) {
                // Out of descriptors, for instance: the peer waits in the
                // backlog and is taken when a connection has closed.
                Retry_.expires_after(std::chrono::milliseconds(50));
                Retry_.async_wait([this](const asio::error_code &e) {
                    if (!e)
                        Accept();
                });
                return;
            }
            // The next accept is posted first, so that nothing going wrong
            // with this connection can stop the listener taking new ones.
            Accept();
            UseKeepAlive(socket);
            asio::error_code ignored;
            socket.non_blocking(true, ignored);
            auto connection = std::make_shared<TConnection>(std::move(socket));
            Connections_.insert(connection);
            WaitForRequest(connection);
        });
    }

    void WaitForRequest(const TConnectionPtr &connection)
    {
        connection->Socket.async_wait(
            tcp::socket::wait_read, [this, connection](const asio::error_code &error) {
                if (error) {
                    Close(connection);
                    return;
                }
                ReadRequest(connection);
            });
    }

    void ReadRequest(const TConnectionPtr &connection)
    {
        char buffer[4096];
        asio::error_code error;
        const size_t count = connection->Socket.read_some(asio::buffer(buffer), error);
        if (error == asio::error::would_block || error == asio::error::try_again) {
            WaitForRequest(connection);
            return;
        }
        if (error) { // closed before its 0x00, or broken
            Close(connection);
            return;
        }
        switch (connection->Frame.Add(std::string_view(buffer, count))) {
        case TRequestFrame::TState::NeedMore:
            WaitForRequest(connection);
            break;
        case TRequestFrame::TState::TooLong:
            Close(connection);
            break;
        case TRequestFrame::TState::Complete:
            StartWorker(connection);
            break;
        }
    }

    void StartWorker(const TConnectionPtr &connection)
    {
        std::lock_guard<std::mutex> lock(WorkersLock_);
        ReapWorkersLocked();
        try {
            Workers_.emplace_back([this, connection] { Serve(connection); });
        } catch (const std::system_error &) {
            Close(connection); // no thread to be had: this connection only
        }
    }

    // Worker thread.
    void Serve(const TConnectionPtr &connection)
    {
        std::optional<std::string> answer;
        if (!Owner_.Stopping()) {
            try {
                answer = Owner_.Handler_(connection->Frame.Request());
            } catch (...) {
                answer.reset(); // the request ends without an answer
            }
        }
        asio::post(Io_, [this, connection, answer = std::move(answer)]() mutable {
            Answer(connection, std::move(answer));
        });
        std::lock_guard<std::mutex> lock(WorkersLock_);
        Finished_.push_back(std::this_thread::get_id());
    }

    void Answer(const TConnectionPtr &connection, std::optional<std::string> answer)
    {
        if (!answer || !connection->Socket.is_open()) {
            Close(connection);
            return;
        }
        connection->Answer = std::move(*answer);
        asio::async_write(connection->Socket, asio::buffer(connection->Answer),
                          [this, connection](const asio::error_code &, size_t) {
                              Close(connection); // a failed write is not reported
                          });
    }

    void Close(const TConnectionPtr &connection)
    {
        tcp::socket &socket = connection->Socket;
        if (socket.is_open()) {
            // Bytes the client sent after the 0x00 are dropped first: closing
            // with unread bytes would reset the connection and could cost the
            // client its answer.
            asio::error_code error;
            char buffer[4096];
            for (int reads = 0; reads < 16 && !error; ++reads)
                socket.read_some(asio::buffer(buffer), error);
            socket.shutdown(tcp::socket::shutdown_both, error);
            socket.close(error);
        }
        Connections_.erase(connection);
    }

    void CloseAll()
    {
        asio::error_code ignored;
        Acceptor_.close(ignored);
        Retry_.cancel();
        for (const TConnectionPtr &connection : std::vector<TConnectionPtr>(
                 Connections_.begin(), Connections_.end()))
            Close(connection);
    }

    void ReapWorkersLocked()
    {
        for (const std::thread::id id : Finished_) {
            for (auto worker = Workers_.begin(); worker != Workers_.end(); ++worker) {
                if (worker->get_id() == id) {
                    worker->join();
                    Workers_.erase(worker);
                    break;
                }
            }
        }
        Finished_.clear();
    }

    void JoinWorkers()
    {
        for (;;) {
            std::thread worker;
            {
                std::lock_guard<std::mutex> lock(WorkersLock_);
                if (Workers_.empty())
                    return;
                worker = std::move(Workers_.front());
                Workers_.pop_front();
            }
            worker.join();
        }
    }

    TInterfaceListener &Owner_;
    asio::io_context Io_;
    asio::executor_work_guard<asio::io_context::executor_type> Guard_{Io_.get_executor()};
    tcp::acceptor Acceptor_;
    asio::steady_timer Retry_;
    uint16_t Port_ = 0;
    std::set<TConnectionPtr> Connections_; // I/O thread only
    std::mutex WorkersLock_;
    std::list<std::thread> Workers_;
    std::vector<std::thread::id> Finished_;
    std::thread IoThread_;
};

TInterfaceListener::TInterfaceListener(TRequestHandler handler) : Handler_(std::move(handler)) {}

TInterfaceListener::~TInterfaceListener() { Stop(); }

void TInterfaceListener::Start(uint16_t port)
{
    if (Impl_)
        return;
    RaiseOpenFileLimit();
    Stopping_ = false;
    try {
        Impl_ = std::make_unique<TImpl>(*this, port);
    } catch (const std::runtime_error &) {
        throw;
    } catch (const std::exception &error) {
        throw std::runtime_error("Could not listen on port " + std::to_string(port) + ": " +
                                 error.what());
    }
}

void TInterfaceListener::Stop()
{
    if (!Impl_)
        return;
    Stopping_ = true;
    Impl_.reset();
}

bool TInterfaceListener::Active() const { return Impl_ != nullptr; }

uint16_t TInterfaceListener::Port() const { return Impl_ ? Impl_->Port() : 0; }
