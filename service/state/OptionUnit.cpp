#include "OptionUnit.h"

#include <limits>

#include "IniFileUnit.h"

namespace {

// Card numbers run from 0 to FFFFFD: after 16777213 comes 0.
constexpr int64_t CardNoModulus = 16777214;

} // namespace

TOption::TOption(std::string fileName) : FileName(std::move(fileName)) {}

void TOption::Load() {
    std::lock_guard<std::mutex> hold(Lock_);
    const TIniFile ini(FileName);
    PortName = ini.ReadString("DoorlockOption", "PortName", "COM1");
    Password = ini.ReadString("DoorLockOption", "Password", "80617");
    HotelID = ini.ReadString("DoorlockOption", "HotelID", "");
    LLock = ini.ReadBool("DoorlockOption", "LLock", false);
    // Stored as a 32-bit integer; widened with its sign.
    CurrentCardNo = ini.ReadInteger("DoorLockOption", "CurrentCardNo", 1);
}

void TOption::Save() {
    std::lock_guard<std::mutex> hold(Lock_);
    SaveLocked();
}

void TOption::SaveLocked() {
    TIniFile ini(FileName);
    ini.WriteString("DoorlockOption", "PortName", PortName);
    ini.WriteString("DoorlockOption", "Password", Password);
    ini.WriteString("DoorlockOption", "HotelID", HotelID);
    ini.WriteBool("DoorlockOption", "LLock", LLock);
    // The low 32 bits, as a signed number.
    ini.WriteInteger("DoorLockOption", "CurrentCardNo",
                     static_cast<int32_t>(static_cast<uint32_t>(CurrentCardNo)));
}

int TOption::GetPortNo() const {
    static const char *const Names[] = {"COM1", "COM2", "COM3", "COM4",
                                        "COM5", "COM6", "COM7", "COM8"};
    for (int i = 0; i < 8; ++i)
        if (PortName == Names[i])
            return i + 1;
    // Not a port the encoder can be on; the library opens COM1 for it.
    return 0;
}

int64_t TOption::NextCardNo() {
    std::lock_guard<std::mutex> hold(Lock_);
    // The remainder keeps the sign of the number: a negative counter written
    // by hand counts up towards 0.
    CurrentCardNo = CurrentCardNo == std::numeric_limits<int64_t>::max()
                        ? (CurrentCardNo % CardNoModulus + 1) % CardNoModulus
                        : (CurrentCardNo + 1) % CardNoModulus;
    SaveLocked();
    return CurrentCardNo;
}
