// The door lock options in Option.ini.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

class TOption {
public:
    // Stores the path; reads nothing.
    explicit TOption(std::string fileName);

    std::string FileName;
    std::string PortName;
    std::string Password;
    std::string HotelID;
    bool LLock = false;
    int64_t CurrentCardNo = 1;

    // Reads the five keys, each with its default.
    void Load();
    // Writes the five keys. Throws EIniFileError ("Unable to write to <path>")
    // at the first key that cannot be written; earlier keys stay written.
    void Save();
    // "COM1".."COM8" -> 1..8, exact and case-sensitive; any other text gives
    // 0, which the encoder library takes as COM1.
    int GetPortNo() const;

    // The card counter: advances CurrentCardNo modulo 16777214 and saves,
    // both under one lock shared with Save, so each number is handed out once.
    // Returns the new number. Throws like Save.
    int64_t NextCardNo();

private:
    void SaveLocked();
    std::mutex Lock_;
};
