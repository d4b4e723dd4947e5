// en24-sim run as a program, driven through its standard input and signals
// while a host reads cards through its link.
#include "HostPort.h"

#include <csignal>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

namespace en24sim::test {
namespace {

const Bytes kRead{0xAA, 0x01, 0xE4, 0x4F};

// The program with pipes on its standard input and output.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string> &args) {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            close(in[0]), close(in[1]), close(out[0]), close(out[1]);
            std::vector<char *> argv{const_cast<char *>(EN24_SIM_PROGRAM)};
            for (const auto &a : args) argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }
    ~SimProcess() {
        CloseInput();
        if (output_ >= 0) close(output_);
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    void Send(const std::string &line) { ASSERT_EQ(write(input_, line.data(), line.size()), static_cast<ssize_t>(line.size())); }
    void CloseInput() {
        if (input_ >= 0) close(input_);
        input_ = -1;
    }
    void Signal(int sig) { kill(pid_, sig); }

    // Next line of standard output, without its line break; empty on time-out.
    std::string Line(std::chrono::milliseconds timeout = 2s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const auto end = buffer_.find('\n');
            if (end != std::string::npos) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return {};
            pollfd pfd{output_, POLLIN, 0};
            if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0) continue;
            char chunk[512];
            const ssize_t n = read(output_, chunk, sizeof chunk);
            if (n <= 0) return {};
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Exit status, or -1 when it did not end in time.
    int Wait(std::chrono::milliseconds timeout = 3s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    bool exited_ = false;
    std::string buffer_;
};

bool Exists(const std::string &path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// Status byte and record of the card the host reads, as hex.
std::string CardSeen(const std::string &link) {
    HostPort port(link);
    const std::string reply = ToHex(port.Exchange(kRead, 20));
    return reply.size() == 40 ? reply.substr(4, 26) : "no reply";
}

TEST(En24SimToolTest, PutsAndTakesCardsWhileRunning) {
    TTempDir dir{"en24sim-test"};
    const std::string link = dir / "com1";
    SimProcess sim({"--link", link, "--card", "030d4168053f0115038cff73", "--delay", "0"});
    ASSERT_EQ(sim.Line(), link);
    EXPECT_EQ(CardSeen(link), "01030D4168053F0115038CFF73");

    sim.Send("remove\n");
    EXPECT_EQ(sim.Line(), "no readable card");
    EXPECT_EQ(CardSeen(link), "00" + std::string(24, '0'));

    sim.Send("put 12345\nput 0000010F053F053FD7DD427C\n"); // the first is refused, the run goes on
    EXPECT_EQ(sim.Line(), "card 0000010F053F053FD7DD427C");
    EXPECT_EQ(CardSeen(link), "010000010F053F053FD7DD427C");

    sim.Send("show\nframes\n");
    EXPECT_EQ(sim.Line(), "card 0000010F053F053FD7DD427C");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(sim.Line(), "AA01E44F");
    EXPECT_EQ(sim.Line(), "frames 3, bad check bytes 0, overlaps 0, beeps 0");

    // At the end of its input it keeps answering; signals still steer it.
    sim.CloseInput();
    EXPECT_EQ(CardSeen(link), "010000010F053F053FD7DD427C");
    sim.Signal(SIGUSR2);
    EXPECT_EQ(sim.Line(), "no readable card");
    EXPECT_EQ(CardSeen(link), "00" + std::string(24, '0'));
    sim.Signal(SIGUSR1);
    EXPECT_EQ(sim.Line(), "card 0000010F053F053FD7DD427C");

    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
    EXPECT_FALSE(Exists(link));
}

TEST(En24SimToolTest, QuitCommandAndInterruptEndCleanly) {
    for (const bool interrupt : {false, true}) {
        SCOPED_TRACE(interrupt ? "SIGINT" : "quit");
        TTempDir dir{"en24sim-test"};
        const std::string link = dir / "com1";
        SimProcess sim({"--link", link});
        ASSERT_EQ(sim.Line(), link);
        EXPECT_TRUE(Exists(link));
        if (interrupt) {
            sim.Signal(SIGINT);
        } else {
            sim.Send("quit\n");
        }
        EXPECT_EQ(sim.Wait(), 0);
        EXPECT_FALSE(Exists(link));
    }
}

TEST(En24SimToolTest, FaultAndDelayCommands) {
    TTempDir dir{"en24sim-test"};
    const std::string link = dir / "com1";
    SimProcess sim({"--link", link, "--card", "000000000000000000000001"});
    ASSERT_EQ(sim.Line(), link);
    sim.Send("fault silence\n");
    EXPECT_EQ(sim.Line(), "fault silence");
    {
        HostPort port(link);
        EXPECT_TRUE(port.Exchange(kRead, 20, 150ms).empty());
    }
    sim.Send("fault none\ndelay 5\n");
    EXPECT_EQ(sim.Line(), "fault none");
    EXPECT_EQ(sim.Line(), "delay 5 ms");
    EXPECT_EQ(CardSeen(link), "01000000000000000000000001");
    sim.Send("quit\n");
    EXPECT_EQ(sim.Wait(), 0);
}

TEST(En24SimToolTest, RefusesBadArguments) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--card", "000000000000000000000001"},
        {"--link", "/tmp/x", "--card", "0011"},
        {"--link", "/tmp/x", "--delay", "soon"},
        {"--link", "/tmp/x", "--colour"},
    };
    for (const auto &args : cases) {
        std::string text;
        for (const auto &a : args) text += a + " ";
        SCOPED_TRACE(text);
        SimProcess sim(args);
        EXPECT_EQ(sim.Wait(), 2);
    }
}

} // namespace
} // namespace en24sim::test
