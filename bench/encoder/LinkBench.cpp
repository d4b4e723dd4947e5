// Read and write exchanges of libEN24_C1.so against the encoder simulator on
// a pseudo-terminal, each as a ratio to its pacing floor:
//   read:  10 ms pre-read time-out + 200 ms before the rest + 200 ms after = 410 ms
//   write: 10 ms pre-read time-out + 2000 ms for the card write          = 2010 ms
// The simulator answers without delay, so everything above the floor is the
// library's own cost (and the machine's scheduling).
//
//   encoder_link_bench [read-count] [write-count]
#include "BenchTiming.h"
#include "EN24_C1.h"
#include "SimulatedComPort.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr double kReadFloorMs = 410.0;
constexpr double kWriteFloorMs = 2010.0;

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
        bench::Figures read, write;
        if (bench::Measure("read", reads, [&](int) { return ReadCard(handle, text); }, read) &&
            bench::Measure("write", writes, [&](int) { return WriteRFData(handle, record.data()); }, write)) {
            bench::PrintAgainstFloor("read exchange", reads, kReadFloorMs, read);
            bench::PrintAgainstFloor("write exchange", writes, kWriteFloorMs, write);
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
