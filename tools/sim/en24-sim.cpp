// en24-sim: a card encoder on a pseudo-terminal, run by hand or from a script.
//
//   en24-sim --link PATH [--card HEX24] [--delay MS]
//
// Prints the link path on its first line once the encoder answers there, then
// reads commands on standard input, one per line. At the end of standard
// input it keeps running (so it can be started in the background with
// </dev/null) until SIGINT, SIGTERM or SIGHUP; it then removes the link and
// exits 0. SIGUSR1 puts the last card back on the encoder (the --card or last
// "put" card; an all-zero record when there was none), SIGUSR2 takes it off.
//
// From a script, in the background:
//   en24-sim --link run/com1 --card 030D4168053F0115038CFF73 </dev/null &
//   kill -USR2 $!   # the guest takes the card away ... kill -TERM $! at the end
// or with commands through a FIFO (keep one writer open while it runs):
//   mkfifo cmds; en24-sim --link run/com1 <cmds & exec 3>cmds; echo "put ..." >&3
#include "EncoderSimulator.h"
#include "HexBytes.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

using en24sim::EncoderSimulator;
using en24sim::Fault;
using en24sim::ParseHex;
using en24sim::ToHex;

constexpr const char *kUsage =
    "usage: en24-sim --link PATH [--card HEX24] [--delay MS]\n"
    "A card encoder on a pseudo-terminal linked at PATH (EN24_COM1=PATH makes it COM1).\n"
    "Commands on standard input, one per line:\n"
    "  put HEX24          a card holding this 12-byte record lies on the encoder\n"
    "  unreadable [HEX2]  a card whose data cannot be read (reply status, default 02)\n"
    "  remove             no card on the encoder\n"
    "  show               the card on the encoder\n"
    "  frames             every frame received, and the counters\n"
    "  delay MS           reply delay in milliseconds\n"
    "  fault NAME         none, silence, noise, short, refuse-write or hang-up\n"
    "  quit               remove the link and exit\n"
    "At the end of standard input it keeps running until SIGINT, SIGTERM or SIGHUP.\n"
    "SIGUSR1 puts the last card back on the encoder, SIGUSR2 takes it off.\n"
    "Started in the background with </dev/null it answers until it is signalled.\n";

bool ParseMs(std::string_view text, int &ms) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), ms);
    return ec == std::errc{} && end == text.data() + text.size() && ms >= 0 && ms <= 60000;
}

bool ParseFault(const std::string &name, Fault &fault) {
    static const std::pair<const char *, Fault> names[] = {
        {"none", Fault::None},          {"silence", Fault::Silence},
        {"noise", Fault::NoiseBeforeSync}, {"short", Fault::ShortReply},
        {"refuse-write", Fault::RefuseWrite}, {"hang-up", Fault::HangUp},
    };
    for (const auto &[text, value] : names) {
        if (name == text) {
            fault = value;
            return true;
        }
    }
    return false;
}

void ShowCard(const EncoderSimulator &sim) {
    const auto card = sim.Card();
    if (card) {
        std::cout << "card " << ToHex(*card) << std::endl;
    } else {
        std::cout << "no readable card" << std::endl;
    }
}

// Runs one command line; false when the program should end.
bool RunCommand(EncoderSimulator &sim, const std::string &line, EncoderSimulator::Record &lastCard) {
    std::istringstream in(line);
    std::string command, argument;
    in >> command >> argument;
    if (command.empty()) return true;
    if (command == "quit" || command == "exit") return false;
    if (command == "put") {
        EncoderSimulator::Record record{};
        if (!ParseHex(argument, record)) {
            std::cerr << "en24-sim: put needs 24 hex digits, got \"" << argument << "\"" << std::endl;
            return true;
        }
        lastCard = record;
        sim.PutCard(record);
        ShowCard(sim);
    } else if (command == "unreadable") {
        uint8_t status = 0x02;
        if (!argument.empty() && (!ParseHex(argument, {&status, 1}) || status == 0x01)) {
            std::cerr << "en24-sim: unreadable needs a status other than 01, as 2 hex digits" << std::endl;
            return true;
        }
        sim.PutUnreadableCard(status);
        std::cout << "unreadable card, status " << ToHex({&status, 1}) << std::endl;
    } else if (command == "remove") {
        sim.RemoveCard();
        ShowCard(sim);
    } else if (command == "show") {
        ShowCard(sim);
    } else if (command == "frames") {
        const auto frames = sim.Frames();
        for (const auto &frame : frames) std::cout << ToHex(frame) << '\n';
        std::cout << "frames " << frames.size() << ", bad check bytes " << sim.BadCheckCount()
                  << ", overlaps " << sim.OverlapCount() << ", beeps " << sim.BeepCount() << std::endl;
    } else if (command == "delay") {
        int ms = 0;
        if (!ParseMs(argument, ms)) {
            std::cerr << "en24-sim: delay needs milliseconds from 0 to 60000" << std::endl;
            return true;
        }
        sim.SetReplyDelay(std::chrono::milliseconds{ms});
        std::cout << "delay " << ms << " ms" << std::endl;
    } else if (command == "fault") {
        Fault fault = Fault::None;
        if (!ParseFault(argument, fault)) {
            std::cerr << "en24-sim: fault is one of none, silence, noise, short, refuse-write, hang-up" << std::endl;
            return true;
        }
        sim.SetFault(fault);
        std::cout << "fault " << argument << std::endl;
    } else if (command == "help") {
        std::cout << kUsage << std::flush;
    } else {
        std::cerr << "en24-sim: unknown command \"" << command << "\" (try help)" << std::endl;
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    std::string link;
    std::string cardText;
    int delayMs = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--link" && hasValue) {
            link = argv[++i];
        } else if (arg == "--card" && hasValue) {
            cardText = argv[++i];
        } else if (arg == "--delay" && hasValue) {
            if (!ParseMs(argv[++i], delayMs)) {
                std::cerr << "en24-sim: --delay needs milliseconds from 0 to 60000\n";
                return 2;
            }
        } else {
            std::cerr << "en24-sim: unexpected argument \"" << arg << "\"\n" << kUsage;
            return 2;
        }
    }
    if (link.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    EncoderSimulator::Record lastCard{};
    bool hasCard = false;
    if (!cardText.empty()) {
        if (!ParseHex(cardText, lastCard)) {
            std::cerr << "en24-sim: --card needs 24 hex digits\n";
            return 2;
        }
        hasCard = true;
    }

    // Signals are taken through a descriptor; blocked before the answering
    // thread starts, so that thread inherits the mask and never sees them.
    sigset_t signals;
    sigemptyset(&signals);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2}) sigaddset(&signals, sig);
    if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) return 1;
    std::signal(SIGPIPE, SIG_IGN);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
    if (signalFd < 0) {
        std::perror("en24-sim: signalfd");
        return 1;
    }

    try {
        EncoderSimulator sim(link);
        if (hasCard) sim.PutCard(lastCard);
        if (delayMs >= 0) sim.SetReplyDelay(std::chrono::milliseconds{delayMs});
        std::cout << sim.LinkPath() << std::endl;

        bool inputOpen = true;
        std::string pending;
        for (;;) {
            pollfd fds[2] = {{signalFd, POLLIN, 0}, {inputOpen ? STDIN_FILENO : -1, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                std::perror("en24-sim: poll");
                return 1;
            }
            if (fds[0].revents & POLLIN) {
                signalfd_siginfo info{};
                if (read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                    if (info.ssi_signo == SIGUSR1) {
                        sim.PutCard(lastCard);
                        ShowCard(sim);
                    } else if (info.ssi_signo == SIGUSR2) {
                        sim.RemoveCard();
                        ShowCard(sim);
                    } else {
                        return 0; // the simulator's destructor removes the link
                    }
                }
            }
            if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
                char buffer[1024];
                const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) {
                    inputOpen = false; // keep answering until a signal ends the run
                    if (!pending.empty() && !RunCommand(sim, pending, lastCard)) return 0;
                    pending.clear();
                    continue;
                }
                pending.append(buffer, static_cast<std::size_t>(n));
                std::size_t end;
                while ((end = pending.find('\n')) != std::string::npos) {
                    const std::string line = pending.substr(0, end);
                    pending.erase(0, end + 1);
                    if (!RunCommand(sim, line, lastCard)) return 0;
                }
            }
        }
    } catch (const std::exception &error) {
        std::cerr << "en24-sim: " << error.what() << std::endl;
        return 1;
    }
}
