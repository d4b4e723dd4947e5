// A running door lock service in a temporary folder of its own (Option.ini,
// a fresh Client.mdb, the log) with its own encoder simulator as COM1
// (linked in a temporary folder of the simulator's own).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "ClientMdb.h"
#include "DoorlockServiceUnit.h"
#include "SimulatedComPort.h"
#include "ServiceTestSupport.h"

// A guest card record as the encoder stores it.
using TRecord = std::array<uint8_t, 12>;
// A blank card: what the encoder reads from a card that was erased.
inline constexpr TRecord ErasedCard{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

class ServiceFixture : public ::testing::Test {
protected:
    // Starts the service with [DoorlockOption] and [SysOption] lines added to
    // Option.ini; the listener takes a free port.
    void StartService(std::vector<std::string> doorlockOption = {"HotelID=1343",
                                                                 "CurrentCardNo=1234"},
                      std::vector<std::string> sysOption = {})
    {
        sysOption.push_back("DoorlockPortNo=0"); // the first of two equal keys counts
        WriteOptionIni(Dir.Path(), {{"DoorlockOption", doorlockOption}, {"SysOption", sysOption}});
        CreateClientMdb(Dir.Path() + "Client.mdb");
        Service = std::make_unique<TDoorlockService>(Dir.Path());
        Service->StartListener([this](const std::string &line) { Shown.push_back(line); });
    }

    void TearDown() override { Service.reset(); }

    uint16_t Port() const { return Service->ListeningPort(); }
    TExchange Send(const std::string &text) { return Exchange(Port(), Framed(text)); }
    std::vector<std::string> Log() const { return LogMessages(Dir.Path()); }
    std::vector<std::vector<std::string>> Rows(const std::string &sql) const
    {
        return QueryRows(Dir.Path() + "Client.mdb", sql);
    }
    // Frames with the write-card command the simulator received.
    size_t WriteFrames() const
    {
        size_t count = 0;
        for (const auto &frame : Sim->Frames())
            count += frame.size() > 2 && frame[2] == 0xEC ? 1 : 0;
        return count;
    }

    TTempDir Dir;
    en24sim::SimulatedComPort Sim{1};
    std::unique_ptr<TDoorlockService> Service;
    std::vector<std::string> Shown;
};

inline std::string DoorResponse(const std::string &code, const std::string &message,
                                int64_t cardNo)
{
    return Framed("<DoorResponse><RequestID></RequestID><ResultCode>" + code +
                  "</ResultCode><ResultMessage>" + message + "</ResultMessage><CardNo>" +
                  std::to_string(cardNo) + "</CardNo></DoorResponse>");
}
