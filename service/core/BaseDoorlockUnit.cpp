#include "BaseDoorlockUnit.h"

#include <atomic>

void TBaseDoorlock::ShowOptions() {}

bool TBaseDoorlock::OpenDevice() { return false; }

void TBaseDoorlock::Beep() {}

bool TBaseDoorlock::CloseDevice() { return false; }

bool TBaseDoorlock::WriteCard(const std::string &, const std::string &, const std::string &,
                              const std::string &, const std::string &, TDateTime, TDateTime,
                              TDateTime, TDateTime, bool, int64_t &)
{
    return false;
}

bool TBaseDoorlock::ReadCard(int64_t &) { return false; }

bool TBaseDoorlock::EraseCard() { return false; }

namespace {
std::atomic<TBaseDoorlock *> CurrentDoorlock_{nullptr};
}

TBaseDoorlock *CurrentDoorlock() { return CurrentDoorlock_.load(); }

void SetCurrentDoorlock(TBaseDoorlock *doorlock) { CurrentDoorlock_.store(doorlock); }
