// NorvikDoorLockd as a server runs it: copied into a folder with its library,
// Option.ini and a fresh Client.mdb; serves a request; stops cleanly on
// SIGINT and SIGTERM, closing connections that are still open.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include <fcntl.h>
#include <poll.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ClientMdb.h"
#include "SimulatedComPort.h"
#include "ServiceTestSupport.h"

namespace fs = std::filesystem;

namespace {

// Reads lines from the program's standard output until count lines or the wait.
std::vector<std::string> ReadLines(int fd, size_t count, std::chrono::milliseconds wait)
{
    std::vector<std::string> lines;
    std::string pending;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (lines.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd descriptor{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&descriptor, 1, static_cast<int>(left.count())) <= 0)
            break;
        char buffer[256];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        pending.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            lines.push_back(pending.substr(0, end));
            pending.erase(0, end + 1);
        }
    }
    return lines;
}

class Daemon {
public:
    Daemon(const std::string &dir, const std::string &comPath, const char *argument = nullptr)
    {
        int out[2];
        if (pipe(out) != 0)
            throw std::runtime_error("pipe");
        Pid_ = fork();
        if (Pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDERR_FILENO);
            close(out[0]);
            close(out[1]);
            setenv("EN24_COM1", comPath.c_str(), 1);
            const std::string program = dir + "NorvikDoorLockd";
            execl(program.c_str(), program.c_str(), argument, static_cast<char *>(nullptr));
            _exit(127);
        }
        close(out[1]);
        Out_ = out[0];
    }
    ~Daemon()
    {
        if (Pid_ > 0 && !Exited_) {
            kill(Pid_, SIGKILL);
            waitpid(Pid_, nullptr, 0);
        }
        close(Out_);
    }
    int Out() const { return Out_; }
    void Signal(int signal) { kill(Pid_, signal); }
    // The exit status, or -1 when it did not end within the wait.
    int Wait(std::chrono::milliseconds wait)
    {
        const auto deadline = std::chrono::steady_clock::now() + wait;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(Pid_, &status, WNOHANG) == Pid_) {
                Exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(10000);
        }
        return -1;
    }

private:
    pid_t Pid_ = -1;
    int Out_ = -1;
    bool Exited_ = false;
};

// A folder with the program, its library, Option.ini (listening on port)
// and a fresh Client.mdb.
void PrepareFolder(const TTempDir &dir, uint16_t port)
{
    fs::copy_file(NORVIK_DOORLOCKD, dir.Path() + "NorvikDoorLockd");
    for (const auto &entry : fs::directory_iterator(fs::path(EN24_LIBRARY).parent_path()))
        if (entry.path().filename().string().rfind("libEN24_C1.so", 0) == 0)
            fs::copy(entry.path(), dir.Path() + entry.path().filename().string(),
                     fs::copy_options::copy_symlinks);
    WriteOptionIni(dir.Path(), {{"DoorlockOption", {"HotelID=1343", "CurrentCardNo=1234"}},
                                {"SysOption", {"DoorlockPortNo=" + std::to_string(port)}}});
    CreateClientMdb(dir.Path() + "Client.mdb");
}

} // namespace

TEST(NorvikDoorLockd, EndsAtOnceWithArgumentsOrWhenThePortIsTaken)
{
    TTempDir dir;
    const uint16_t port = FreePort();
    PrepareFolder(dir, port);
    {
        Daemon daemon(dir.Path(), dir.Path() + "COM1", "--port=9000");
        EXPECT_EQ(daemon.Wait(std::chrono::seconds(10)), 2);
        EXPECT_TRUE(ReadLines(daemon.Out(), 1, std::chrono::milliseconds(100)).empty());
    }
    {
        TClientSocket probe(port); // nothing listens yet
        ASSERT_FALSE(probe.Connected());
    }
    const int holder = socket(AF_INET6, SOCK_STREAM, 0);
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_port = htons(port);
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(listen(holder, 1), 0);
    {
        Daemon daemon(dir.Path(), dir.Path() + "COM1");
        EXPECT_EQ(daemon.Wait(std::chrono::seconds(10)), 1);
        // The start line stands also when the port cannot be taken.
        EXPECT_EQ(ReadLines(daemon.Out(), 2, std::chrono::seconds(1)),
                  std::vector<std::string>{"门锁接口监听服务器已经启动..."});
    }
    close(holder);
}

TEST(NorvikDoorLockd, ServesFromItsFolderAndStopsOnSignals)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(signal));
        TTempDir dir;
        const uint16_t port = FreePort();
        PrepareFolder(dir, port);
        en24sim::SimulatedComPort sim(1);
        sim->PutCard({0x00, 0x04, 0xD3, 0x60, 0x05, 0x3F, 0x65, 0x04, 0x01, 0x86, 0x16, 0x60});

        Daemon daemon(dir.Path(), sim.LinkPath());
        EXPECT_EQ(ReadLines(daemon.Out(), 1, std::chrono::seconds(10)),
                  std::vector<std::string>{"门锁接口监听服务器已经启动..."});
        // The start line comes before the listener is active.
        for (int tries = 0; tries < 100 && !TClientSocket(port).Connected(); ++tries)
            usleep(20000);
        const TExchange exchange =
            Exchange(port, Framed(R"(<DoorRequest type="ReadCard"/>)"));
        EXPECT_EQ(AnswerField(exchange.Received, "CardNo"), "1235");
        EXPECT_TRUE(exchange.Closed);

        TClientSocket idle(port);
        idle.Send("<DoorRequest");
        daemon.Signal(signal);
        EXPECT_EQ(ReadLines(daemon.Out(), 1, std::chrono::seconds(10)),
                  std::vector<std::string>{"接口监听服务器已经停止。"});
        EXPECT_EQ(daemon.Wait(std::chrono::seconds(10)), 0);
        EXPECT_TRUE(idle.Finish(std::chrono::seconds(1)).Closed);
        // Its log is beside it.
        EXPECT_EQ(LogMessages(dir.Path()).back(), "完成一次操作");
    }
}
