// The door lock request protocol: one XML request per connection (IssueCard,
// ReadCard, EraseCard), one <DoorResponse> answer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "DateTimeUnit.h"

namespace pugi {
class xml_node;
}
struct TServiceState;

// Framing: a request is at most this many bytes followed by one 0x00.
constexpr size_t MaxRequestBytes = 16384;

// Collects the bytes of one request as they arrive.
class TRequestFrame {
public:
    enum class TState { NeedMore, Complete, TooLong };

    // Takes the next bytes from the connection; bytes after the 0x00 are
    // dropped. Once Complete or TooLong, further bytes change nothing.
    TState Add(std::string_view bytes);
    TState State() const { return State_; }
    // The bytes before the 0x00 (Complete only).
    const std::string &Request() const { return Bytes_; }

private:
    std::string Bytes_;
    TState State_ = TState::NeedMore;
};

// The request text when the bytes are valid UTF-8 (four-byte characters
// included), else the empty text.
std::string DecodeRequestText(std::string_view bytes);
bool IsValidUtf8(std::string_view bytes);

struct TResponse {
    std::string RequestID; // never filled by the door lock handler
    std::string ResultCode;
    std::string ResultMessage;
    int64_t CardNo = 0;
};

// <DoorResponse><RequestID>..</RequestID><ResultCode>..</ResultCode>
// <ResultMessage>..</ResultMessage><CardNo>..</CardNo></DoorResponse> on one
// line, no declaration; the values escaped for XML. UTF-8.
std::string BuildResponseXml(const TResponse &response);

// A field of the request that cannot be read (too few child nodes, a date
// that does not read); ends the request without an answer.
class ERequestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TDoorlockMessageHandler {
public:
    // Writes the answer bytes (response text and its 0x00) to the connection.
    using TSend = std::function<void(std::string_view bytes)>;

    explicit TDoorlockMessageHandler(TServiceState &state);

    // Handles one decoded request. A request that cannot be read, or a lock
    // driver that stops, leaves by an exception: no answer, and the caller
    // closes the connection.
    void ProcessRequest(const TSend &send, const std::string &text);

    // True when the card was written; cardNo gets the number used (0 when none).
    bool DoIssueCard(const pugi::xml_node &root, int64_t &cardNo);
    bool DoReadCard(int64_t &cardNo);
    bool DoEraseCard();
    void SendResponse(const TSend &send, const TResponse &response);

private:
    TServiceState &State_;
};

// The text values of the root's child nodes in document order, blank text
// skipped, comments and other text counted.
std::vector<std::string> RequestFields(const pugi::xml_node &root);
// "True"/"False" in any letter case, or a number (true when not 0); anything
// else is false. Blanks around the text are ignored.
bool IsCopyValue(const std::string &text);
