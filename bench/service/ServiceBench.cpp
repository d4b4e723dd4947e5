// NorvikDoorLockd against the encoder simulator, run by hand on a quiet
// machine:
//   build/bin/service_bench [repetitions]
// 1. IssueCard round trip over TCP as a ratio to the library's guest card
//    write (write-and-verify) alone.                         goal <= 1.01
// 2. 16 IssueCard requests at once as a ratio to 16 one after the other;
//    every card number distinct.                             goal <= 1.02
// 3. An IssueCard round trip while 5,000 idle connections are open, as a
//    ratio to the round trip without them.                   goal <= 1.05
// 4. Resident memory of NorvikDoorLockd idle and with the 5,000 connections.
#include <EN24_C1.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "BenchTiming.h"
#include "ClientMdb.h"
#include "SimulatedComPort.h"
#include "ServiceTestSupport.h"

namespace fs = std::filesystem;
using bench::Clock;
using bench::SecondsSince;

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

long ResidentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

void RaiseOpenFileLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

std::string IssueCard(int room)
{
    TIssueCardFields fields;
    fields.RoomNo = std::to_string(room);
    return Framed(IssueCardRequest(fields));
}

} // namespace

int main(int argc, char **argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    RaiseOpenFileLimit();

    TTempDir dir;
    fs::copy_file(NORVIK_DOORLOCKD, dir.Path() + "NorvikDoorLockd");
    for (const auto &entry : fs::directory_iterator(fs::path(EN24_LIBRARY).parent_path()))
        if (entry.path().filename().string().rfind("libEN24_C1.so", 0) == 0)
            fs::copy(entry.path(), dir.Path() + entry.path().filename().string(),
                     fs::copy_options::copy_symlinks);
    const uint16_t port = FreePort();
    WriteOptionIni(dir.Path(), {{"DoorlockOption", {"HotelID=1343", "CurrentCardNo=1000"}},
                                {"SysOption", {"DoorlockPortNo=" + std::to_string(port)}}});
    CreateClientMdb(dir.Path() + "Client.mdb");
    en24sim::SimulatedComPort sim(1);
    sim->SetReplyDelay(std::chrono::milliseconds(0));
    sim->PutCard({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});

    const pid_t daemon = fork();
    if (daemon == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        const std::string program = dir.Path() + "NorvikDoorLockd";
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    for (int tries = 0; tries < 200 && !TClientSocket(port).Connected(); ++tries)
        usleep(20000);

    // 1. The library alone: the guest card write of the lock driver, with
    // the port opened once outside the measurement.
    std::vector<double> alone, roundTrip;
    for (int i = 0; i < repetitions; ++i) {
        const int32_t handle = OpenPort(1, 9600);
        char record[25];
        const auto start = Clock::now();
        const int32_t result =
            GuestCard(handle, 1343, 900 + i, "001101", "0806221200", 1, 0, record);
        alone.push_back(SecondsSince(start));
        ClosePort(handle);
        if (result != 1)
            std::printf("guest card write failed: %d\n", result);

        const auto sent = Clock::now();
        const TExchange exchange = Exchange(port, IssueCard(101));
        roundTrip.push_back(SecondsSince(sent));
        if (AnswerField(exchange.Received, "ResultCode") != "200")
            std::printf("IssueCard failed: %s\n", exchange.Received.c_str());
    }
    const double aloneMedian = Median(alone), roundTripMedian = Median(roundTrip);
    std::printf("1. write-and-verify alone      median %.4f s (%d runs)\n", aloneMedian, repetitions);
    std::printf("   IssueCard round trip         median %.4f s\n", roundTripMedian);
    std::printf("   ratio                        %.4f   (goal <= 1.01)\n\n",
                roundTripMedian / aloneMedian);

    // 2. Sixteen at once against sixteen in a row.
    constexpr int sixteen = 16;
    auto start = Clock::now();
    std::set<std::string> numbers;
    for (int i = 0; i < sixteen; ++i)
        numbers.insert(AnswerField(Exchange(port, IssueCard(101 + i)).Received, "CardNo"));
    const double inRow = SecondsSince(start);
    std::vector<TExchange> exchanges(sixteen);
    std::vector<std::thread> clients;
    start = Clock::now();
    for (int i = 0; i < sixteen; ++i)
        clients.emplace_back([&, i] {
            exchanges[i] = Exchange(port, IssueCard(101 + i), std::chrono::seconds(120));
        });
    for (auto &client : clients)
        client.join();
    const double atOnce = SecondsSince(start);
    for (const TExchange &exchange : exchanges)
        numbers.insert(AnswerField(exchange.Received, "CardNo"));
    std::printf("2. 16 in a row                 %.3f s\n", inRow);
    std::printf("   16 at once                   %.3f s\n", atOnce);
    std::printf("   ratio                        %.4f   (goal <= 1.02)\n", atOnce / inRow);
    std::printf("   distinct card numbers        %zu of 32; simulator overlaps %d\n\n",
                numbers.size(), sim->OverlapCount());

    // 3 and 4. Idle connections.
    const long idleKiB = ResidentKiB(daemon);
    constexpr int idleCount = 5000;
    std::vector<std::unique_ptr<TClientSocket>> idle;
    for (int i = 0; i < idleCount; ++i) {
        idle.push_back(std::make_unique<TClientSocket>(port));
        if (idle.back()->Connected())
            idle.back()->Send("<DoorRequest type=\"IssueCard\">");
    }
    const long connected = std::count_if(idle.begin(), idle.end(),
                                         [](const auto &c) { return c->Connected(); });
    usleep(500000); // the service has taken them all
    const long busyKiB = ResidentKiB(daemon);
    std::vector<double> withIdle;
    for (int i = 0; i < repetitions; ++i) {
        const auto sent = Clock::now();
        const TExchange exchange = Exchange(port, IssueCard(101));
        withIdle.push_back(SecondsSince(sent));
        if (AnswerField(exchange.Received, "ResultCode") != "200")
            std::printf("IssueCard failed: %s\n", exchange.Received.c_str());
    }
    const double withIdleMedian = Median(withIdle);
    std::printf("3. round trip with %ld idle connections  median %.4f s\n", connected,
                withIdleMedian);
    std::printf("   ratio to the round trip without them  %.4f   (goal <= 1.05)\n\n",
                withIdleMedian / roundTripMedian);
    std::printf("4. NorvikDoorLockd resident memory: idle %ld KiB, with %ld connections %ld KiB "
                "(%.2f KiB per connection)\n",
                idleKiB, connected, busyKiB,
                connected ? double(busyKiB - idleKiB) / double(connected) : 0.0);

    idle.clear();
    kill(daemon, SIGTERM);
    int status = 0;
    waitpid(daemon, &status, 0);
    return 0;
}
