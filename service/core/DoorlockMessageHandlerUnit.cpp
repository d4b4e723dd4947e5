#include "DoorlockMessageHandlerUnit.h"

#include <pugixml.hpp>

#include <cctype>
#include <charconv>
#include <cmath>
#include <strings.h>

#include "BaseDoorlockUnit.h"
#include "GuestCardUnit.h"
#include "ServiceStateUnit.h"
#include "TextUnit.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsBlankText(std::string_view text)
{
    for (char c : text)
        if (!IsBlank(c))
            return false;
    return true;
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsTextNode(const pugi::xml_node &node)
{
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

// An element's value is its whole text, blanks around it included.
std::string ElementText(const pugi::xml_node &element)
{
    std::string text;
    for (const pugi::xml_node &child : element.children())
        if (IsTextNode(child))
            text += child.value();
    return text;
}

std::string RequestType(const pugi::xml_node &root)
{
    for (const pugi::xml_attribute &attribute : root.attributes())
        if (strcasecmp(attribute.name(), "type") == 0)
            return std::string(TrimBlanksAndControls(attribute.value()));
    return {};
}

void AppendEscaped(std::string &out, std::string_view value)
{
    for (char c : value) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
}

// Comments and processing instructions are nodes of the request and count
// for the positions; blank text between elements is kept so that an element
// holding only blanks keeps them as its value.
constexpr unsigned RequestParseOptions =
    pugi::parse_default | pugi::parse_comments | pugi::parse_pi | pugi::parse_ws_pcdata;

} // namespace

TRequestFrame::TState TRequestFrame::Add(std::string_view bytes)
{
    if (State_ != TState::NeedMore)
        return State_;
    const size_t end = bytes.find('\0');
    const std::string_view request = bytes.substr(0, end);
    if (Bytes_.size() + request.size() > MaxRequestBytes) {
        State_ = TState::TooLong;
        Bytes_.clear();
        Bytes_.shrink_to_fit();
        return State_;
    }
    Bytes_.append(request);
    if (end != std::string_view::npos)
        State_ = TState::Complete;
    return State_;
}

bool IsValidUtf8(std::string_view bytes)
{
    size_t i = 0;
    const size_t n = bytes.size();
    auto at = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    auto continuation = [&](size_t k, unsigned char low = 0x80, unsigned char high = 0xBF) {
        return k < n && at(k) >= low && at(k) <= high;
    };
    while (i < n) {
        const unsigned char c = at(i);
        if (c < 0x80) {
            i += 1;
        } else if (c >= 0xC2 && c <= 0xDF) {
            if (!continuation(i + 1))
                return false;
            i += 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            // no overlong forms (E0 80..9F) and no surrogates (ED A0..BF)
            const unsigned char low = c == 0xE0 ? 0xA0 : 0x80;
            const unsigned char high = c == 0xED ? 0x9F : 0xBF;
            if (!continuation(i + 1, low, high) || !continuation(i + 2))
                return false;
            i += 3;
        } else if (c >= 0xF0 && c <= 0xF4) {
            // no overlong forms (F0 80..8F) and nothing beyond U+10FFFF
            const unsigned char low = c == 0xF0 ? 0x90 : 0x80;
            const unsigned char high = c == 0xF4 ? 0x8F : 0xBF;
            if (!continuation(i + 1, low, high) || !continuation(i + 2) || !continuation(i + 3))
                return false;
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

std::string DecodeRequestText(std::string_view bytes)
{
    return IsValidUtf8(bytes) ? std::string(bytes) : std::string();
}

std::string BuildResponseXml(const TResponse &response)
{
    std::string text = "<DoorResponse><RequestID>";
    AppendEscaped(text, response.RequestID);
    text += "</RequestID><ResultCode>";
    AppendEscaped(text, response.ResultCode);
    text += "</ResultCode><ResultMessage>";
    AppendEscaped(text, response.ResultMessage);
    text += "</ResultMessage><CardNo>";
    text += std::to_string(response.CardNo);
    text += "</CardNo></DoorResponse>";
    return text;
}

std::vector<std::string> RequestFields(const pugi::xml_node &root)
{
    std::vector<std::string> fields;
    for (const pugi::xml_node &child : root.children()) {
        if (IsTextNode(child)) {
            if (!IsBlankText(child.value()))
                fields.emplace_back(child.value());
        } else if (child.type() == pugi::node_element) {
            fields.push_back(ElementText(child));
        } else {
            fields.emplace_back(child.value());
        }
    }
    return fields;
}

bool IsCopyValue(const std::string &text)
{
    const std::string_view value = TrimBlanks(text);
    if (strcasecmp(std::string(value).c_str(), "true") == 0)
        return true;
    if (value.empty() || !(std::isdigit(static_cast<unsigned char>(value.front())) ||
                           value.front() == '-' || value.front() == '+' || value.front() == '.'))
        return false;
    // One sign at most: from_chars takes a '-' of its own, so a '+' is
    // dropped only when no second sign follows it.
    const char *first = value.data();
    const char *last = value.data() + value.size();
    if (value.front() == '+' && value.size() > 1 && value[1] != '-')
        ++first;
    double number = 0;
    const auto [end, error] = std::from_chars(first, last, number);
    // Only a finite decimal number counts: no infinities, no NaN.
    return error == std::errc() && end == last && std::isfinite(number) && number != 0;
}

TDoorlockMessageHandler::TDoorlockMessageHandler(TServiceState &state) : State_(state) {}

void TDoorlockMessageHandler::ProcessRequest(const TSend &send, const std::string &text)
{
    TLogFile &log = State_.LogFile;
    log.WriteLog("收到消息: \r\n" + text);

    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer(text.data(), text.size(), RequestParseOptions, pugi::encoding_utf8);
    if (!parsed)
        throw ERequestError(std::string("the request is not an XML document: ") +
                            parsed.description());
    const pugi::xml_node root = document.document_element();
    if (!root)
        throw ERequestError("the request has no root element");
    const std::string type = RequestType(root);
    log.WriteLog("执行操作->");

    TResponse response;
    int64_t cardNo = 0;
    if (type == "IssueCard") {
        const bool ok = DoIssueCard(root, cardNo);
        response.ResultCode = ok ? "200" : "500";
        response.ResultMessage = ok ? "发卡成功" : "发卡失败";
        response.CardNo = cardNo;
        const std::string roomNo = RequestFields(root)[4];
        log.WriteLog("房间(" + roomNo + (ok ? ")发卡成功" : ")发卡失败"));
        SendResponse(send, response);
    } else if (type == "ReadCard") {
        const bool ok = DoReadCard(cardNo);
        response.ResultCode = ok ? "200" : "500";
        response.ResultMessage = ok ? "读卡成功" : "读卡失败";
        if (ok) {
            response.CardNo = cardNo;
            log.WriteLog("读卡成功，卡号为：" + std::to_string(cardNo));
        } else {
            log.WriteLog("读卡失败");
        }
        SendResponse(send, response);
    } else if (type == "EraseCard") {
        const bool ok = DoEraseCard();
        response.ResultCode = ok ? "200" : "500";
        response.ResultMessage = ok ? "注销卡成功 " : "注销卡失败 ";
        log.WriteLog(ok ? "注销卡成功" : "注销卡失败");
        SendResponse(send, response);
    }
    log.WriteLog("完成一次操作");
}

bool TDoorlockMessageHandler::DoIssueCard(const pugi::xml_node &root, int64_t &cardNo)
{
    // Every field is read before the lock is called, so a field that does not
    // read leaves no card written.
    const std::vector<std::string> fields = RequestFields(root);
    if (fields.size() < 11)
        throw ERequestError("an IssueCard request needs 11 child nodes, this one has " +
                            std::to_string(fields.size()));
    const TSysOption &sysOption = State_.SysOption;
    TGuestCardOrder order;
    order.RegisterId = fields[1];
    order.BuildingCode = fields[2];
    order.FloorCode = fields[3];
    order.RoomNo = fields[4];
    order.GuestName = fields[5];
    order.CheckInTime =
        IncMinute(StrToDateTime(fields[6] + " " + fields[7]), -int64_t{sysOption.DelayMinutes});
    order.CheckOutTime =
        IncMinute(StrToDateTime(fields[8] + " " + fields[9]), int64_t{sysOption.DelayMinutes2});
    order.IsCopy = IsCopyValue(fields[10]);
    return IssueGuestCard(State_, CurrentDoorlock(), order, cardNo);
}

bool TDoorlockMessageHandler::DoReadCard(int64_t &cardNo)
{
    TBaseDoorlock *doorlock = CurrentDoorlock();
    return doorlock != nullptr && doorlock->ReadCard(cardNo);
}

bool TDoorlockMessageHandler::DoEraseCard()
{
    TBaseDoorlock *doorlock = CurrentDoorlock();
    return doorlock != nullptr && doorlock->EraseCard();
}

void TDoorlockMessageHandler::SendResponse(const TSend &send, const TResponse &response)
{
    std::string bytes = BuildResponseXml(response);
    bytes.push_back('\0');
    send(bytes);
}
