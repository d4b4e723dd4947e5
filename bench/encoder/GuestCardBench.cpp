// A full guest card (GuestCard: read, write, read back, compare, beep) of
// libEN24_C1.so against the encoder simulator on a pseudo-terminal, as a
// ratio to its pacing floor:
//   read 410 ms + write 2010 ms + read-back 410 ms = 2830 ms
// (each read: 10 ms pre-read time-out, 200 ms before the rest of the reply,
// 200 ms after it; the write: 10 ms pre-read time-out, 2000 ms for the card).
// The simulator answers without delay, so everything above the floor is the
// library's own cost and the machine's scheduling.
//
//   encoder_guest_card_bench [count]
#include "BenchTiming.h"
#include "EN24_C1.h"
#include "SimulatedComPort.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr double kFloorMs = 2830.0;

} // namespace

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 10;
    if (count < 1) {
        std::fprintf(stderr, "usage: %s [count]\n", argv[0]);
        return 2;
    }
    int status = 0;
    {
        en24sim::SimulatedComPort sim(1);
        sim->SetReplyDelay(std::chrono::milliseconds(0));
        sim->PutCard({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
        const int32_t handle = OpenPort(1, 9600);
        if (handle <= 0) {
            std::fprintf(stderr, "OpenPort: %d\n", handle);
            return 1;
        }
        char recordText[25];
        bench::Figures figures;
        // A new card number each time, as the service issues them.
        if (bench::Measure("guest card", count,
                           [&](int i) {
                               return GuestCard(handle, 1343, 200001 + i, "105001", "0812311400", 0, 0,
                                                recordText);
                           },
                           figures)) {
            bench::PrintAgainstFloor("guest card", count, kFloorMs, figures);
            // The last buzzer frame is not awaited by the library; let the simulator take it.
            sim->WaitForFrames(static_cast<size_t>(4 * count), std::chrono::seconds(1));
            std::printf("simulator: %d beeps, %d overlaps, %d bad check bytes\n", sim->BeepCount(),
                        sim->OverlapCount(), sim->BadCheckCount());
        } else {
            status = 1;
        }
        ClosePort(handle);
    }
    return status;
}
