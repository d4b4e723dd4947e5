#include "ServiceTestSupport.h"

#include <sqlite3.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <strings.h>

namespace fs = std::filesystem;

void WriteOptionIni(const std::string &dir,
                    const std::map<std::string, std::vector<std::string>> &sections)
{
    std::string text;
    for (const auto &[section, lines] : sections) {
        text += "[" + section + "]\r\n";
        for (const std::string &line : lines)
            text += line + "\r\n";
    }
    WriteWholeFile(dir + "Option.ini", text);
}

std::vector<std::string> LogMessages(const std::string &dir)
{
    std::vector<std::string> messages;
    for (const auto &entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".LOG")
            continue;
        const std::string text = ReadWholeFile(entry.path().string());
        static const std::regex stamp(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2} )");
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find("\r\n", start);
            if (end == std::string::npos)
                end = text.size();
            std::string line = text.substr(start, end - start);
            if (std::regex_search(line, stamp))
                line.erase(0, 20);
            messages.push_back(line);
            start = end + 2;
        }
    }
    return messages;
}

bool Contains(const std::vector<std::string> &lines, const std::string &line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

namespace {

int Connect(uint16_t port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void SendAll(int fd, const std::string &bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return; // the service may close early (a request that is too long)
        sent += static_cast<size_t>(n);
    }
}

TExchange ReadUntilClosed(int fd, std::chrono::milliseconds wait)
{
    TExchange result;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return result;
        pollfd descriptor{fd, POLLIN, 0};
        if (poll(&descriptor, 1, static_cast<int>(left.count())) <= 0)
            return result;
        char buffer[4096];
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) { // end of stream, or reset
            result.Closed = true;
            return result;
        }
        result.Received.append(buffer, static_cast<size_t>(n));
    }
}

} // namespace

TExchange Exchange(uint16_t port, const std::string &bytes, std::chrono::milliseconds wait,
                   bool halfClose)
{
    TClientSocket client(port);
    if (!client.Connected())
        throw std::runtime_error("cannot connect to port " + std::to_string(port));
    client.Send(bytes);
    if (halfClose)
        client.ShutdownSending();
    return client.Finish(wait);
}

TClientSocket::TClientSocket(uint16_t port) : Fd_(Connect(port)) {}

TClientSocket::~TClientSocket()
{
    if (Fd_ >= 0)
        close(Fd_);
}

void TClientSocket::Send(const std::string &bytes) { SendAll(Fd_, bytes); }

void TClientSocket::ShutdownSending() { shutdown(Fd_, SHUT_WR); }

TExchange TClientSocket::Finish(std::chrono::milliseconds wait) { return ReadUntilClosed(Fd_, wait); }

std::string Framed(const std::string &text) { return text + std::string(1, '\0'); }

std::string IssueCardRequest(const TIssueCardFields &f)
{
    return "<DoorRequest type=\"IssueCard\"><RequestID>" + f.RequestID + "</RequestID><RegisterId>" +
           f.RegisterId + "</RegisterId><RoomBuildingCode>" + f.RoomBuildingCode +
           "</RoomBuildingCode><RoomFloorCode>" + f.RoomFloorCode + "</RoomFloorCode><RoomNo>" +
           f.RoomNo + "</RoomNo><GuestName>" + f.GuestName + "</GuestName><CheckInDate>" +
           f.CheckInDate + "</CheckInDate><CheckInTime>" + f.CheckInTime +
           "</CheckInTime><CheckOutDate>" + f.CheckOutDate + "</CheckOutDate><CheckOutTime>" +
           f.CheckOutTime + "</CheckOutTime><IsCopy>" + f.IsCopy + "</IsCopy></DoorRequest>";
}

std::string AnswerField(const std::string &answer, const std::string &element)
{
    const std::string open = "<" + element + ">", close = "</" + element + ">";
    const size_t start = answer.find(open);
    const size_t end = answer.find(close);
    if (start == std::string::npos || end == std::string::npos)
        return {};
    return answer.substr(start + open.size(), end - start - open.size());
}

std::vector<std::vector<std::string>> QueryRows(const std::string &databaseFile,
                                                const std::string &sql)
{
    sqlite3 *db = nullptr;
    std::vector<std::vector<std::string>> rows;
    if (sqlite3_open_v2(databaseFile.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + databaseFile);
    }
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(db);
        sqlite3_close(db);
        throw std::runtime_error(message);
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const unsigned char *text = sqlite3_column_text(statement, i);
            row.emplace_back(text ? reinterpret_cast<const char *>(text) : "");
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

std::string IniValue(const std::string &dir, const std::string &key)
{
    std::istringstream in(ReadWholeFile(dir + "Option.ini"));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t equals = line.find('=');
        if (equals != std::string::npos && strcasecmp(line.substr(0, equals).c_str(), key.c_str()) == 0)
            return line.substr(equals + 1);
    }
    return {};
}

uint16_t FreePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}
