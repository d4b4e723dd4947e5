// The service-wide options in Option.ini.
#pragma once

#include <cstdint>
#include <string>

class TSysOption {
public:
    // Stores the path; reads nothing.
    explicit TSysOption(std::string fileName);

    int32_t DoorlockPortNo = 8886;
    bool UseNativeDoorlockDb = false;
    bool SaveDoorlockRecord = false;
    int32_t PolicePortNo = 8885;
    int32_t MemberPortNo = 8883;
    int32_t ScanPortNo = 8881;
    std::string FileName;
    std::string Password;
    int32_t DelayMinutes = 0;
    int32_t DelayMinutes2 = 0;

    void Load();
    // Writes the nine keys; throws EIniFileError like TOption::Save.
    void Save();
};
