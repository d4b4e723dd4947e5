// Read and write exchanges of libEN24_C1.so against the encoder simulator on
// a pseudo-terminal, each as a ratio to its pacing floor:
//   read:  10 ms pre-read time-out + 200 ms before the rest + 200 ms after = 410 ms
//   write: 10 ms pre-read time-out + 2000 ms for the card write          = 2010 ms
// The simulator answers without delay, so everything above the floor is the
// library's own cost (and the machine's scheduling).
//
//   encoder_link_bench [read-count] [write-count]
#include "EN24_C1.h"

#include "SimulatedComPort.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr double kReadFloorMs = 410.0;
constexpr double kWriteFloorMs = 2010.0;
constexpr double kGoal = 1.01;

struct Figures {
    double meanMs;
    double minMs;
    double maxMs;
};

// Runs the exchange count times; false if any run did not return 1.
bool Measure(int count, const std::function<int32_t()> &exchange, Figures &figures)
{
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        const auto start = SteadyClock::now();
        const int32_t result = exchange();
        times.push_back(std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count());
        if (result != EN24_OK) {
            std::fprintf(stderr, "exchange %d returned %d\n", i + 1, result);
            return false;
        }
    }
    double sum = 0;
    for (double t : times)
        sum += t;
    figures = {sum / count, *std::min_element(times.begin(), times.end()),
               *std::max_element(times.begin(), times.end())};
    return true;
}

void Print(const char *name, int count, double floorMs, const Figures &f)
{
    std::printf("%-15s %3d runs  mean %8.2f ms  min %8.2f  max %8.2f  floor %6.0f ms  ratio %.4f (max %.4f)  %s\n",
                name, count, f.meanMs, f.minMs, f.maxMs, floorMs, f.meanMs / floorMs, f.maxMs / floorMs,
                f.meanMs / floorMs <= kGoal ? "within goal 1.01" : "ABOVE GOAL 1.01");
}

} // namespace

int main(int argc, char **argv)
{
    const int reads = argc > 1 ? std::atoi(argv[1]) : 20;
    const int writes = argc > 2 ? std::atoi(argv[2]) : 5;
    if (reads < 1 || writes < 1) {
        std::fprintf(stderr, "usage: %s [read-count] [write-count]\n", argv[0]);
        return 2;
    }

    int status = 0;
    {
        en24sim::SimulatedComPort sim(1);
        sim->SetReplyDelay(std::chrono::milliseconds(0));
        const en24sim::EncoderSimulator::Record record{0x03, 0x0D, 0x41, 0x68, 0x05, 0x3F,
                                                       0x01, 0x15, 0x03, 0x8C, 0xFF, 0x73};
        sim->PutCard(record);
        const int32_t handle = OpenPort(1, 9600);
        if (handle <= 0) {
            std::fprintf(stderr, "OpenPort: %d\n", handle);
            return 1;
        }
        char text[41];
        Figures read{}, write{};
        if (Measure(reads, [&] { return ReadCard(handle, text); }, read) &&
            Measure(writes, [&] { return WriteRFData(handle, record.data()); }, write)) {
            Print("read exchange", reads, kReadFloorMs, read);
            Print("write exchange", writes, kWriteFloorMs, write);
            if (sim->OverlapCount() != 0 || sim->BadCheckCount() != 0)
                std::printf("simulator saw %d overlaps, %d bad check bytes\n", sim->OverlapCount(),
                            sim->BadCheckCount());
        } else {
            status = 1;
        }
        ClosePort(handle);
    }
    return status;
}
