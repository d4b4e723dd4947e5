// Helpers for the service tests: a temporary service folder, a TCP client
// that speaks the request framing, the day's log and Client.mdb rows.
#pragma once

#include "TestFolder.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Option.ini with the given "[Section]" -> {"Key=Value", ...} lines, CRLF.
void WriteOptionIni(const std::string &dir,
                    const std::map<std::string, std::vector<std::string>> &sections);

// The messages of the day's log in dir, time stamps taken off. A message
// holding a line break ("收到消息: " + CRLF + request) gives two entries.
std::vector<std::string> LogMessages(const std::string &dir);

// Whether the lines hold this one.
bool Contains(const std::vector<std::string> &lines, const std::string &line);

// What a client saw on one connection.
struct TExchange {
    std::string Received;  // every byte the service wrote
    bool Closed = false;   // the service closed the connection
};

// Connects to 127.0.0.1:port, sends bytes, and reads until the service closes
// the connection or wait has passed. With halfClose the client shuts its
// sending side after the bytes.
TExchange Exchange(uint16_t port, const std::string &bytes,
                   std::chrono::milliseconds wait = std::chrono::seconds(20),
                   bool halfClose = false);

// An open client connection (for holding connections idle).
class TClientSocket {
public:
    explicit TClientSocket(uint16_t port);
    ~TClientSocket();
    TClientSocket(const TClientSocket &) = delete;
    TClientSocket &operator=(const TClientSocket &) = delete;
    bool Connected() const { return Fd_ >= 0; }
    void Send(const std::string &bytes);
    void ShutdownSending();
    // Reads until closed or wait has passed.
    TExchange Finish(std::chrono::milliseconds wait);

private:
    int Fd_ = -1;
};

// A request as the hotel's system sends it: the text and one 0x00.
std::string Framed(const std::string &text);

// An IssueCard request with the children in the usual order.
struct TIssueCardFields {
    std::string RequestID = "77";
    std::string RegisterId = "R0001";
    std::string RoomBuildingCode = "0";
    std::string RoomFloorCode = "01";
    std::string RoomNo = "101";
    std::string GuestName = "Test Guest";
    std::string CheckInDate = "2008-06-20";
    std::string CheckInTime = "14:30:00";
    std::string CheckOutDate = "2008-06-22";
    std::string CheckOutTime = "12:00:00";
    std::string IsCopy = "False";
};
std::string IssueCardRequest(const TIssueCardFields &fields = {});

// The value of <Element> in an answer ("" when absent).
std::string AnswerField(const std::string &answer, const std::string &element);

// Rows of a query on Client.mdb, each column as text ("" for null).
std::vector<std::vector<std::string>> QueryRows(const std::string &databaseFile,
                                                const std::string &sql);

// The value of a key in Option.ini, "" when absent (first match, any case).
std::string IniValue(const std::string &dir, const std::string &key);

// A free TCP port on this machine at the moment of the call.
uint16_t FreePort();
