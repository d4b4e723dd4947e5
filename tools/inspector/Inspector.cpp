#include "Inspector.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <sstream>

#include "CardInfo.h"
#include "EN24_C1.h"

namespace en24tool {

namespace {

using en24::CardKind;
using en24::CardRecord;

constexpr const char *kUsage = R"(usage: en24 COMMAND [OPTIONS]

Looking at cards:
  decode HEX24                  name the kind of a 12-byte card record and show its fields
  read --port N [--serial]      read the card on the encoder and decode it
  records --port N              download the lock records (1200 baud, about 40 s)

Making cards (each is written, read back and compared; the encoder beeps):
  guest      --lock BFFRRR --checkout YYMMDDhhmm [--generation N] [--llock]
  master
  emergency
  building   --building B --start hhmm --end hhmm --date YYMMDD
  floor      --floor BFF --start hhmm --end hhmm --date YYMMDD
  group      --group N --start hhmm --end hhmm --date YYMMDD
  group-set  --type 0|4|8|12 --group N
  check-out
  limit      --limited CARDNO
  system
  seal
  record
  room-set   --lock BFFRRR
  time-set   --time YYMMDDhhmm
  erase      --port N               (erases the card; no --hotel or --card)
Every card but erase also takes --port N --hotel ID --card CARDNO.

Options:
  --port N      encoder on COM1 to COM8
  --baud RATE   line speed of the encoder (default 9600)
  --hotel ID    hotel id, 0 to 16382
  --card NO     card number, 1 to 16777214
  --lock        lock number: building digit 0-7, floor 00-63, room 000-127
  --help        this text

Exit codes:
  0 done; 2 bad command line; 10 the library refused an argument; 11 the card read
  back differs from what was written; 12 the encoder read no card data;
  20 the port could not be opened (-80); 21 the port is held by another program or
  not permitted (-81); 22 closing failed (-82); 23 line settings not applied (-83);
  24 line settings not read (-84); 25 writing to the encoder failed (-85);
  26 reading from the encoder failed (-86); 27 no reply from the encoder (-99);
  28 no card on the encoder (-101); 29 a result the library does not document.
)";

// ---- Showing a record ---------------------------------------------------------

std::string Hex(const uint8_t *bytes, size_t count, const char *separator = "")
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0)
            text += separator;
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

std::string Digits(int value, int width)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", width, value);
    return text;
}

std::string Time(const en24::PackedTimeFields &t)
{
    std::string text = "20" + Digits(t.year, 2) + "-" + Digits(t.month, 2) + "-" + Digits(t.day, 2) + " " +
                       Digits(t.hour, 2) + ":" + Digits(t.minute, 2);
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59)
        text += " (not a valid date and time: no builder writes this)";
    return text;
}

std::string Period(const en24::PeriodFields &p)
{
    std::string text = "20" + Digits(p.year, 2) + "-" + Digits(p.month, 2) + "-" + Digits(p.day, 2) + ", " +
                       Digits(p.startHour, 2) + ":" + Digits(p.startMinute, 2) + " to " + Digits(p.endHour, 2) +
                       ":" + Digits(p.endMinute, 2) + " (minutes in tens)";
    if (p.month < 1 || p.month > 12 || p.day < 1 || p.day > 31 || p.startHour > 23 || p.startMinute > 50 ||
        p.endHour > 23 || p.endMinute > 50)
        text += " (not a valid period: no builder writes this)";
    return text;
}

std::string Lock(const en24::LockNumber &lock)
{
    return Digits(lock.building, 1) + Digits(lock.floor, 2) + Digits(lock.room, 3) + " (building " +
           Digits(lock.building, 1) + ", floor " + Digits(lock.floor, 2) + ", room " + Digits(lock.room, 3) + ")";
}

std::string Filler(const CardRecord &r, size_t first, size_t last)
{
    return Hex(r.data() + first, last - first + 1, " ") + " (filler bytes, random, no meaning)";
}

// Bytes 6 and 7 of system and seal cards: the hotel id, or FF FF for hotel id 0.
std::string HotelIdAgain(const CardRecord &r)
{
    if (r[6] == 0xFF && r[7] == 0xFF)
        return "FF FF (hotel id 0)";
    return std::to_string(r[6] * 256 + r[7]);
}

// The card info text GetCardInfo would give for a card holding this record.
std::string CardInfoOf(const CardRecord &record)
{
    const std::string readText = "550001" + Hex(record.data(), record.size()) + "0000000000";
    char info[22];
    en24::DecodeCardInfo(readText.c_str(), info);
    return std::string(info, sizeof info);
}

void Line(std::ostringstream &out, const char *label, const std::string &value)
{
    char padded[32];
    std::snprintf(padded, sizeof padded, "%-16s", label);
    out << padded << value << '\n';
}

} // namespace

std::string DescribeRecord(const CardRecord &r)
{
    std::ostringstream out;
    const CardKind kind = en24::KindOf(r);
    Line(out, "record", Hex(r.data(), r.size()));
    if (kind == CardKind::Erased) {
        Line(out, "kind", "erased card: all twelve bytes are FF, it holds no key");
        Line(out, "card info", CardInfoOf(r) + " (GetCardInfo reports card number 16777215)");
        return out.str();
    }
    char kindByte[8];
    std::snprintf(kindByte, sizeof kindByte, "0x%02X", r[3]);
    if (kind == CardKind::Unknown) {
        Line(out, "kind", std::string("not a known card kind (byte 3 is ") + kindByte +
                              "); no builder of this system writes it");
        Line(out, "bytes 0 to 2", Hex(r.data(), 3, " ") + " (card number " + std::to_string(en24::CardNumberOf(r)) +
                                      " if read as one)");
        Line(out, "bytes 4 to 11", Hex(r.data() + 4, 8, " "));
        Line(out, "card info", CardInfoOf(r) + " (read at a guest card's positions)");
        return out.str();
    }

    std::string kindText = std::string(en24::KindName(kind)) + " (byte 3 = " + kindByte;
    if (kind == CardKind::Guest)
        kindText += r[3] == en24::kKindGuestLLock ? ", LLock set" : ", LLock not set";
    if (kind == CardKind::GroupSet)
        kindText += ", group set type " + std::to_string(r[3] - en24::kKindGroupSet);
    Line(out, "kind", kindText + ")");
    Line(out, "card number", std::to_string(en24::CardNumberOf(r)) +
                                 (en24::CardNumberOf(r) == 0 ? " (no builder writes card number 0)" : ""));
    if (kind == CardKind::Seal)
        Line(out, "seal marker", "3F FF in bytes 4 and 5");
    else
        Line(out, "hotel id", std::to_string(en24::HotelIdOf(r)));

    const uint8_t flags = en24::KindFlagsOf(r);
    const uint8_t expected = en24::ExpectedKindFlags(kind);
    if (kind != CardKind::Seal && flags != expected) {
        char note[96];
        std::snprintf(note, sizeof note, "byte 4 carries kind flags 0x%02X; a %s carries 0x%02X", flags,
                      en24::KindName(kind), expected);
        Line(out, "note", note);
    }

    switch (kind) {
    case CardKind::Guest:
        Line(out, "lock number", Lock(en24::UnpackLockNumber(r[6], r[7])));
        Line(out, "check-out", Time(en24::UnpackTime(r.data() + 9)));
        Line(out, "generation", std::to_string(r[8]));
        break;
    case CardKind::Master:
    case CardKind::Emergency: {
        const bool fixed = std::equal(en24::kMasterFixedBytes.begin(), en24::kMasterFixedBytes.end(), r.begin() + 6);
        Line(out, "bytes 6 to 11", Hex(r.data() + 6, 6, " ") +
                                       (fixed ? " (the fixed bytes of this kind)"
                                              : " (differ from the fixed bytes 00 01 00 FF 1F FE)"));
        break;
    }
    case CardKind::Building: {
        const en24::LockNumber lock = en24::UnpackLockNumber(r[6], r[7]);
        Line(out, "building", std::to_string(lock.building));
        Line(out, "period", Period(en24::UnpackPeriod(r.data() + 8)));
        break;
    }
    case CardKind::Floor: {
        const en24::LockNumber lock = en24::UnpackLockNumber(r[6], r[7]);
        Line(out, "building", std::to_string(lock.building));
        Line(out, "floor", Digits(lock.floor, 2));
        Line(out, "period", Period(en24::UnpackPeriod(r.data() + 8)));
        break;
    }
    case CardKind::Group:
        Line(out, "group number", std::to_string(r[6]) +
                                      (r[6] == r[7] ? "" : " (byte 7 differs: " + std::to_string(r[7]) + ")"));
        Line(out, "period", Period(en24::UnpackPeriod(r.data() + 8)));
        break;
    case CardKind::GroupSet: {
        const bool same = std::all_of(r.begin() + 6, r.end(), [&](uint8_t b) { return b == r[6]; });
        Line(out, "group number", std::to_string(r[6]) + (same ? "" : " (bytes 6 to 11 are not all equal)"));
        break;
    }
    case CardKind::CheckOut:
    case CardKind::Record:
        Line(out, "bytes 6 to 11", Filler(r, 6, 11));
        break;
    case CardKind::Limit:
        Line(out, "limited card", std::to_string(r[6] * 65536 + r[7] * 256 + r[8]));
        Line(out, "bytes 9 to 11", Filler(r, 9, 11));
        break;
    case CardKind::System:
        Line(out, "hotel id again", HotelIdAgain(r));
        Line(out, "bytes 8 to 11", Filler(r, 8, 11));
        break;
    case CardKind::Seal:
        Line(out, "hotel id", HotelIdAgain(r));
        Line(out, "bytes 8 to 11", Filler(r, 8, 11));
        break;
    case CardKind::RoomSet:
        Line(out, "lock number", Lock(en24::UnpackLockNumber(r[6], r[7])));
        Line(out, "bytes 8 to 11", Filler(r, 8, 11));
        break;
    case CardKind::TimeSet:
        Line(out, "bytes 6 to 8", Filler(r, 6, 8));
        Line(out, "time", Time(en24::UnpackTime(r.data() + 9)));
        break;
    case CardKind::Erased:
    case CardKind::Unknown:
        break;
    }
    Line(out, "card info", CardInfoOf(r) + " (as GetCardInfo reports it)");
    return out.str();
}

namespace {

// ---- Command line ------------------------------------------------------------

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Options {
    std::map<std::string, std::string> values;
    bool Has(const std::string &name) const { return values.count(name) != 0; }

    std::string Text(const std::string &name, size_t length, const char *what) const
    {
        const auto it = values.find(name);
        if (it == values.end())
            throw UsageError("--" + name + " is missing (" + what + ")");
        if (it->second.size() != length)
            throw UsageError("--" + name + " must be " + std::to_string(length) + " characters (" + what +
                             "), got \"" + it->second + "\"");
        return it->second;
    }

    int32_t Integer(const std::string &name, const char *what, std::optional<int32_t> fallback = {}) const
    {
        const auto it = values.find(name);
        if (it == values.end()) {
            if (fallback)
                return *fallback;
            throw UsageError("--" + name + " is missing (" + what + ")");
        }
        const std::string &text = it->second;
        int32_t value = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || ec != std::errc{} || end != text.data() + text.size())
            throw UsageError("--" + name + " must be a whole number (" + what + "), got \"" + text + "\"");
        return value;
    }

    int32_t Port() const
    {
        const int32_t port = Integer("port", "the encoder's port, 1 to 8");
        if (port < 1 || port > 8)
            throw UsageError("--port must be 1 to 8 (COM1 to COM8), got " + std::to_string(port));
        return port;
    }
};

// Options that take no value.
bool IsFlag(const std::string &name) { return name == "llock" || name == "serial"; }

Options ParseOptions(const std::vector<std::string> &args, size_t first)
{
    Options options;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg.rfind("--", 0) != 0 || arg.size() < 3)
            throw UsageError("unexpected argument \"" + arg + "\"");
        const std::string name = arg.substr(2);
        if (options.Has(name))
            throw UsageError("--" + name + " is given twice");
        if (IsFlag(name)) {
            options.values[name] = "";
            continue;
        }
        if (i + 1 >= args.size())
            throw UsageError("--" + name + " needs a value");
        options.values[name] = args[++i];
    }
    return options;
}

// Every option a command may take; anything else is a typo worth reporting.
void AllowOnly(const Options &options, std::initializer_list<const char *> allowed)
{
    for (const auto &[name, value] : options.values) {
        bool known = false;
        for (const char *a : allowed)
            known = known || name == a;
        if (!known)
            throw UsageError("this command takes no --" + name);
    }
}

// ---- Library results ------------------------------------------------------------

struct Outcome {
    int exitCode;
    const char *message;
};

Outcome LinkOutcome(int32_t code)
{
    switch (code) {
    case -80: return {kExitOpenFailed, "the port could not be opened (no such port)"};
    case -81: return {kExitAccessDenied, "the port is held by another program, or not permitted to you"};
    case -82: return {kExitCloseFailed, "closing the port failed"};
    case -83: return {kExitSetState, "the port's line settings could not be applied"};
    case -84: return {kExitGetState, "the port's line settings could not be read (is it a serial port?)"};
    case -85: return {kExitWriteFailed, "writing to the encoder failed"};
    case -86: return {kExitReadFailed, "reading from the encoder failed, or its reply came short"};
    case -99: return {kExitNoReply, "no reply from the encoder within about 2 s: is it connected and on?"};
    case -101: return {kExitNoCard, "no card on the encoder: lay the card on it and try again"};
    default: return {kExitOtherResult, "the library gave a result it does not document"};
    }
}

int Report(std::ostream &err, int32_t code)
{
    const Outcome outcome = LinkOutcome(code);
    err << "en24: " << outcome.message << " (result " << code << ")\n";
    return outcome.exitCode;
}

// An open encoder port, closed when the command is done.
class Encoder {
public:
    Encoder(const Options &options) : portNo_(options.Port()), baud_(options.Integer("baud", "line speed", 9600)) {}
    ~Encoder()
    {
        if (handle_ > 0)
            ClosePort(handle_);
    }
    // The handle, or the negative code of OpenPort.
    int32_t Open()
    {
        handle_ = OpenPort(portNo_, baud_);
        return handle_;
    }
    // 1, or -82.
    int32_t Close()
    {
        const int32_t result = ClosePort(handle_);
        handle_ = 0;
        return result;
    }
    int32_t PortNo() const { return portNo_; }

private:
    int32_t portNo_;
    int32_t baud_;
    int32_t handle_ = 0;
};

// ---- Card makers ---------------------------------------------------------------

// A card command reads its own options first (bad ones end the command before
// the port is touched) and gives back the library call that makes the card.
using Call = std::function<int32_t(int32_t handle, int32_t hotel, int32_t card, char *recordText)>;
using Prepare = std::function<Call(const Options &)>;

struct CardCommand {
    const char *name;
    std::vector<const char *> options; // beyond port, baud, hotel, card
    const char *ranges;                // what the library checks beyond hotel id and card number
    Prepare prepare;
};

struct PeriodTexts {
    std::string start, end, date;
};

PeriodTexts ReadPeriod(const Options &o)
{
    return {o.Text("start", 4, "start time hhmm"), o.Text("end", 4, "end time hhmm"),
            o.Text("date", 6, "date YYMMDD")};
}

#define EN24_PERIOD_RANGES "start and end hhmm (hour 00-23, minute 00-59), date YYMMDD (year 00-15, month 01-12, day 01-31)"

// Kinds that take nothing beyond hotel id and card number.
template <int32_t (*Builder)(int32_t, int32_t, int32_t, char *)>
Call Plain(const Options &)
{
    return [](int32_t h, int32_t hotel, int32_t card, char *rec) { return Builder(h, hotel, card, rec); };
}

const std::vector<CardCommand> &CardCommands()
{
    static const std::vector<CardCommand> commands = {
        {"guest", {"lock", "checkout", "generation", "llock"},
         "lock number BFFRRR (building 0-7, floor 00-63, room 000-127), check-out YYMMDDhhmm (year 00-15, "
         "month 01-12, day 01-31, hour 00-23, minute 00-59)",
         [](const Options &o) -> Call {
             const std::string lock = o.Text("lock", 6, "lock number BFFRRR");
             const std::string checkout = o.Text("checkout", 10, "check-out time YYMMDDhhmm");
             const int32_t generation = o.Integer("generation", "guest generation, low byte used", 0);
             const int32_t lLock = o.Has("llock") ? 1 : 0;
             return [=](int32_t h, int32_t hotel, int32_t card, char *rec) {
                 return GuestCard(h, hotel, card, lock.c_str(), checkout.c_str(), generation, lLock, rec);
             };
         }},
        {"master", {}, "", Plain<MasterCard>},
        {"emergency", {}, "", Plain<EmergencyCard>},
        {"building", {"building", "start", "end", "date"}, "building 0-7, " EN24_PERIOD_RANGES,
         [](const Options &o) -> Call {
             const std::string b = o.Text("building", 1, "building digit");
             const PeriodTexts p = ReadPeriod(o);
             return [=](int32_t h, int32_t hotel, int32_t card, char *rec) {
                 return BuildingCard(h, hotel, card, b.c_str(), p.start.c_str(), p.end.c_str(), p.date.c_str(), rec);
             };
         }},
        {"floor", {"floor", "start", "end", "date"}, "building 0-7 and floor 00-63 (BFF), " EN24_PERIOD_RANGES,
         [](const Options &o) -> Call {
             const std::string f = o.Text("floor", 3, "building digit and two floor digits");
             const PeriodTexts p = ReadPeriod(o);
             return [=](int32_t h, int32_t hotel, int32_t card, char *rec) {
                 return FloorCard(h, hotel, card, f.c_str(), p.start.c_str(), p.end.c_str(), p.date.c_str(), rec);
             };
         }},
        {"group", {"group", "start", "end", "date"}, EN24_PERIOD_RANGES,
         [](const Options &o) -> Call {
             const int32_t g = o.Integer("group", "group number, low byte used");
             const PeriodTexts p = ReadPeriod(o);
             return [=](int32_t h, int32_t hotel, int32_t card, char *rec) {
                 return GroupCard(h, hotel, card, g, p.start.c_str(), p.end.c_str(), p.date.c_str(), rec);
             };
         }},
        {"group-set", {"type", "group"}, "group set type 0, 4, 8 or 12 (low byte)",
         [](const Options &o) -> Call {
             const int32_t type = o.Integer("type", "group set type 0, 4, 8 or 12");
             const int32_t g = o.Integer("group", "group number, low byte used");
             return [=](int32_t h, int32_t hotel, int32_t card, char *rec) {
                 return GroupCardSet(h, hotel, card, type, g, rec);
             };
         }},
        {"check-out", {}, "", Plain<CheckOutCard>},
        {"limit", {"limited"}, "limited card number 1 to 16777214",
         [](const Options &o) -> Call {
             const int32_t limited = o.Integer("limited", "limited card number");
             return [=](int32_t h, int32_t hotel, int32_t card, char *rec) {
                 return LimitCard(h, hotel, card, limited, rec);
             };
         }},
        {"system", {}, "", Plain<SystemCard>},
        {"seal", {}, "", Plain<SealCard>},
        {"record", {}, "", Plain<RecordCard>},
        {"room-set", {"lock"}, "lock number BFFRRR (building 0-7, floor 00-63, room 000-127)",
         [](const Options &o) -> Call {
             const std::string lock = o.Text("lock", 6, "lock number BFFRRR");
             return [=](int32_t h, int32_t hotel, int32_t card, char *rec) {
                 return RoomSetCard(h, hotel, card, lock.c_str(), rec);
             };
         }},
        {"time-set", {"time"}, "time YYMMDDhhmm (year 00-15, month 01-12, day 01-31, hour 00-23, minute 00-59)",
         [](const Options &o) -> Call {
             const std::string t = o.Text("time", 10, "time YYMMDDhhmm");
             return [=](int32_t h, int32_t hotel, int32_t card, char *rec) {
                 return TimeSetCard(h, hotel, card, t.c_str(), rec);
             };
         }},
    };
    return commands;
}

int MakeCard(const CardCommand &command, const Options &options, std::ostream &out, std::ostream &err)
{
    for (const auto &[name, value] : options.values) {
        bool known = name == "port" || name == "baud" || name == "hotel" || name == "card";
        for (const char *o : command.options)
            known = known || name == o;
        if (!known)
            throw UsageError(std::string(command.name) + " takes no --" + name);
    }
    const int32_t hotel = options.Integer("hotel", "hotel id, 0 to 16382");
    const int32_t card = options.Integer("card", "card number, 1 to 16777214");
    const Call make = command.prepare(options);
    Encoder encoder(options);
    const int32_t handle = encoder.Open();
    if (handle < 0)
        return Report(err, handle);

    char recordText[25] = {};
    const int32_t result = make(handle, hotel, card, recordText);
    const bool recordWritten = recordText[0] != '\0';
    if (recordWritten && result != 1)
        out << "record " << recordText << " (not on the card)\n";
    if (result == 0 && !recordWritten) {
        err << "en24: the library refused an argument: hotel id 0 to 16382, card number 1 to 16777214"
            << (command.ranges[0] != '\0' ? std::string(", ") + command.ranges : std::string()) << '\n';
        return kExitRefused;
    }
    if (result == 0) {
        err << "en24: the card read back differs from the record written: the card was not made\n";
        return kExitMismatch;
    }
    if (result != 1)
        return Report(err, result);
    out << command.name << " card written and verified\n";
    if (const auto record = en24::ParseRecordText(recordText))
        out << DescribeRecord(*record);
    const int32_t closed = encoder.Close();
    return closed == 1 ? kExitOk : Report(err, closed);
}

int Erase(const Options &options, std::ostream &out, std::ostream &err)
{
    AllowOnly(options, {"port", "baud"});
    Encoder encoder(options);
    const int32_t handle = encoder.Open();
    if (handle < 0)
        return Report(err, handle);
    const int32_t result = EraseCard(handle);
    if (result == 0) {
        err << "en24: the card read back differs from the erase record: the card was not erased\n";
        return kExitMismatch;
    }
    if (result != 1)
        return Report(err, result);
    out << "card erased and verified\n";
    const int32_t closed = encoder.Close();
    return closed == 1 ? kExitOk : Report(err, closed);
}

int Read(const Options &options, std::ostream &out, std::ostream &err)
{
    AllowOnly(options, {"port", "baud", "serial"});
    Encoder encoder(options);
    const int32_t handle = encoder.Open();
    if (handle < 0)
        return Report(err, handle);
    char readText[49] = {};
    const bool serial = options.Has("serial");
    const int32_t result = serial ? ReadCardSN(handle, readText) : ReadCard(handle, readText);
    if (result != 1)
        return Report(err, result);
    out << "reply  " << readText << '\n';
    if (!en24::ReadTextHasCard(readText)) {
        err << "en24: the encoder read no card data (reply status " << std::string(readText + 4, 2)
            << "): no card on it, or one it cannot read\n";
        return kExitNoCardData;
    }
    const auto record = en24::ParseRecordText(std::string_view(readText + en24::kReadRecordPos, 24));
    if (!record)
        return Report(err, -86);
    out << DescribeRecord(*record);
    const int32_t closed = encoder.Close();
    return closed == 1 ? kExitOk : Report(err, closed);
}

int Records(const Options &options, std::ostream &out, std::ostream &err)
{
    AllowOnly(options, {"port"});
    const int32_t portNo = options.Port();
    char text[4097];
    const int32_t result = GetRecord(portNo, text);
    if (result == 0) {
        err << "en24: port COM" << portNo << " could not be opened for the record download\n";
        return kExitOpenFailed;
    }
    if (result != 1)
        return Report(err, result);
    for (size_t line = 0; line < 64; ++line)
        out << std::string(text + 64 * line, 64) << '\n';
    return kExitOk;
}

int Decode(const std::vector<std::string> &args, std::ostream &out)
{
    if (args.size() != 2)
        throw UsageError("decode takes one record of 24 hex digits");
    const auto record = en24::ParseRecordText(args[1]);
    if (!record)
        throw UsageError("a card record is 24 hex digits (12 bytes), got \"" + args[1] + "\"");
    out << DescribeRecord(*record);
    return kExitOk;
}

} // namespace

int RunEn24(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    try {
        if (args.empty()) {
            err << kUsage;
            return kExitUsage;
        }
        const std::string &command = args[0];
        for (const std::string &arg : args) {
            if (arg == "--help" || arg == "-h" || arg == "help") {
                out << kUsage;
                return kExitOk;
            }
        }
        if (command == "decode")
            return Decode(args, out);
        const Options options = ParseOptions(args, 1);
        if (command == "read")
            return Read(options, out, err);
        if (command == "erase")
            return Erase(options, out, err);
        if (command == "records")
            return Records(options, out, err);
        for (const CardCommand &card : CardCommands()) {
            if (command == card.name)
                return MakeCard(card, options, out, err);
        }
        throw UsageError("unknown command \"" + command + "\"");
    } catch (const UsageError &e) {
        err << "en24: " << e.what() << " (en24 --help shows the usage)\n";
        return kExitUsage;
    }
}

} // namespace en24tool
