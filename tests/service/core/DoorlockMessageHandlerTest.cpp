// The request handler with a fake lock driver and a real Option.ini, log and
// Client.mdb in a temporary folder: field positions, type matching, card
// start times, the database paths, failures; plus the pure framing, UTF-8
// and answer helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "BaseDoorlockUnit.h"
#include "ClientMdb.h"
#include "DoorlockMessageHandlerUnit.h"
#include "NorvikDoorLockUnit.h"
#include "ServiceStateUnit.h"
#include "ServiceTestSupport.h"

namespace {

// Records what the handler asks of the lock.
class TFakeDoorlock : public TBaseDoorlock {
public:
    struct TWrite {
        std::string RegisterId, Building, Floor, Room, GuestName;
        TDateTime CheckInDate, CheckInTime, CheckOutDate, CheckOutTime;
        bool IsCopy;
    };
    bool Succeed = true;
    int64_t NextCardNo = 500;
    std::vector<TWrite> Writes;
    int Reads = 0, Erases = 0;

    bool WriteCard(const std::string &registerId, const std::string &building,
                   const std::string &floor, const std::string &room,
                   const std::string &guestName, TDateTime checkInDate, TDateTime checkInTime,
                   TDateTime checkOutDate, TDateTime checkOutTime, bool isCopy,
                   int64_t &cardNo) override
    {
        Writes.push_back({registerId, building, floor, room, guestName, checkInDate, checkInTime,
                          checkOutDate, checkOutTime, isCopy});
        cardNo = NextCardNo++;
        return Succeed;
    }
    bool ReadCard(int64_t &cardNo) override
    {
        ++Reads;
        cardNo = Succeed ? 4711 : -99;
        return Succeed;
    }
    bool EraseCard() override
    {
        ++Erases;
        return Succeed;
    }
};

class HandlerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateClientMdb(Dir.Path() + "Client.mdb");
        State.emplace(Dir.Path());
        SetCurrentDoorlock(&Lock);
    }
    void TearDown() override { SetCurrentDoorlock(nullptr); }

    // The answer, or nothing; a request that ends by an exception gives nothing too.
    std::optional<std::string> Process(const std::string &text, bool *threw = nullptr)
    {
        std::optional<std::string> answer;
        TDoorlockMessageHandler handler(*State);
        try {
            handler.ProcessRequest([&](std::string_view bytes) { answer = std::string(bytes); },
                                   text);
        } catch (const std::exception &) {
            if (threw)
                *threw = true;
        }
        return answer;
    }

    std::vector<std::vector<std::string>> Rows(const std::string &sql)
    {
        return QueryRows(Dir.Path() + "Client.mdb", sql);
    }

    TTempDir Dir;
    std::optional<TServiceState> State;
    TFakeDoorlock Lock;
};

std::string Answer(const std::string &code, const std::string &message, int64_t cardNo)
{
    return Framed("<DoorResponse><RequestID></RequestID><ResultCode>" + code +
                  "</ResultCode><ResultMessage>" + message + "</ResultMessage><CardNo>" +
                  std::to_string(cardNo) + "</CardNo></DoorResponse>");
}

std::string Stored(TDateTime value) { return FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", value); }

} // namespace

TEST_F(HandlerTest, TypeIsFoundByNameInAnyCaseAndComparedExactlyAfterTrimming)
{
    struct {
        const char *request; // root element with its type attribute
        const char *handled; // "read", "erase" or "" for no answer
    } cases[] = {
        {R"(<DoorRequest type="ReadCard"/>)", "read"},
        {R"(<DoorRequest TYPE="ReadCard"/>)", "read"},
        {R"(<x TyPe="  EraseCard	"/>)", "erase"},
        {"<x type=\"\x01ReadCard\x1f\"/>", "read"},
        {R"(<x type="&#32;ReadCard&#10;"/>)", "read"},
        {R"(<x type="readcard"/>)", ""},
        {R"(<x type="ERASECARD"/>)", ""},
        {R"(<x type="Read Card"/>)", ""},
        {R"(<x kind="ReadCard"/>)", ""},
        {R"(<x type=""/>)", ""},
        {R"(<?xml version="1.0" encoding="UTF-8"?><!--first--><x type="ReadCard"><y type="EraseCard"/></x>)", "read"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.request);
        const int reads = Lock.Reads, erases = Lock.Erases;
        const auto answer = Process(c.request);
        const std::string handled = c.handled;
        EXPECT_EQ(Lock.Reads - reads, handled == "read" ? 1 : 0);
        EXPECT_EQ(Lock.Erases - erases, handled == "erase" ? 1 : 0);
        if (handled == "read")
            EXPECT_EQ(answer, Answer("200", "读卡成功", 4711));
        else if (handled == "erase")
            EXPECT_EQ(answer, Answer("200", "注销卡成功 ", 0));
        else
            EXPECT_FALSE(answer.has_value());
    }
    // Every request, answered or not, ends with the closing line.
    const auto log = LogMessages(Dir.Path());
    EXPECT_EQ(std::count(log.begin(), log.end(), "完成一次操作"), std::size(cases));
}

TEST_F(HandlerTest, ReadAndEraseAnswersAndLogLines)
{
    Lock.Succeed = false;
    EXPECT_EQ(Process(R"(<r type="ReadCard"/>)"), Answer("500", "读卡失败", 0));
    EXPECT_EQ(Process(R"(<r type="EraseCard"/>)"), Answer("500", "注销卡失败 ", 0));
    Lock.Succeed = true;
    EXPECT_EQ(Process(R"(<r type="ReadCard"/>)"), Answer("200", "读卡成功", 4711));
    EXPECT_EQ(Process(R"(<r type="EraseCard"/>)"), Answer("200", "注销卡成功 ", 0));
    const std::vector<std::string> expected = {
        "收到消息: ", R"(<r type="ReadCard"/>)", "执行操作->", "读卡失败", "完成一次操作",
        "收到消息: ", R"(<r type="EraseCard"/>)", "执行操作->", "注销卡失败", "完成一次操作",
        "收到消息: ", R"(<r type="ReadCard"/>)", "执行操作->", "读卡成功，卡号为：4711", "完成一次操作",
        "收到消息: ", R"(<r type="EraseCard"/>)", "执行操作->", "注销卡成功", "完成一次操作",
    };
    EXPECT_EQ(LogMessages(Dir.Path()), expected);
}

TEST_F(HandlerTest, NoLockDriverAnswersFailure)
{
    SetCurrentDoorlock(nullptr);
    EXPECT_EQ(Process(IssueCardRequest()), Answer("500", "发卡失败", 0));
    EXPECT_EQ(Process(R"(<r type="ReadCard"/>)"), Answer("500", "读卡失败", 0));
    EXPECT_EQ(Process(R"(<r type="EraseCard"/>)"), Answer("500", "注销卡失败 ", 0));
    EXPECT_TRUE(Contains(LogMessages(Dir.Path()), "房间(101)发卡失败"));
}

TEST_F(HandlerTest, IssueCardFieldsAreTakenByPosition)
{
    const std::string tail = "<e>2008-06-20</e><f>14:30:00</f><g>2008-06-22</g><h>12:00:00</h>";
    struct {
        const char *name;
        std::string request;
        std::string registerId, building, floor, room, guestName;
        bool isCopy;
    } cases[] = {
        {"names of the hotel's system", IssueCardRequest(), "R0001", "0", "01", "101", "Test Guest", false},
        {"arbitrary names", "<a type='IssueCard'><z>9</z><q>R7</q><w>1</w><w>02</w><w>003</w><n>Li</n>" +
                                tail + "<c>TRUE</c></a>", "R7", "1", "02", "003", "Li", true},
        {"laid out on lines", "<a type='IssueCard'>\r\n  <z/>\n\t<q>R7</q>\n <b>1</b> <c>02</c>  <d>003</d>\n<n>Li</n>" +
                                  tail + "\n<c>1</c>\n</a>", "R7", "1", "02", "003", "Li", true},
        {"values keep their blanks", "<a type='IssueCard'><z/><q> R7 </q><b>1</b><c>02</c><d> 003</d><n>  </n>" +
                                         tail + "<c>0</c></a>", " R7 ", "1", "02", " 003", "  ", false},
        {"entities and CDATA", "<a type='IssueCard'><z/><q>A&amp;B</q><b>1</b><c>02</c><d>003</d><n><![CDATA[<Li>]]></n>" +
                                   tail + "<c>no</c></a>", "A&B", "1", "02", "003", "<Li>", false},
        {"a comment before IsCopy is read in its place", "<a type='IssueCard'><z/><q>R7</q><b>1</b><c>02</c><d>003</d><n>Li</n>" +
                                   tail + "<!--1--><c>False</c></a>", "R7", "1", "02", "003", "Li", true},
        {"text between elements counts", "<a type='IssueCard'><z/><q>R7</q><b>1</b><c>02</c><d>003</d><n>Li</n>" +
                                   tail + "True<c>False</c></a>", "R7", "1", "02", "003", "Li", true},
        {"a CDATA section between elements counts", "<a type='IssueCard'><z/><q>R7</q><b>1</b><c>02</c><d>003</d><n>Li</n>" +
                                   tail + "<![CDATA[yes]]><c>True</c></a>", "R7", "1", "02", "003", "Li", false},
        {"a processing instruction counts", "<a type='IssueCard'><z/><?pi 1?><b>1</b><c>02</c><d>003</d><n>Li</n>" +
                                   tail + "<c>True</c></a>", "1", "1", "02", "003", "Li", true},
        {"a comment first takes position 0", "<a type='IssueCard'><!--x--><q>R7</q><b>1</b><c>02</c><d>003</d>"
                                   "<n>Li</n>" + tail + "<c>1</c></a>", "R7", "1", "02", "003", "Li", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Lock.Writes.clear();
        bool threw = false;
        const auto answer = Process(c.request, &threw);
        ASSERT_FALSE(threw);
        ASSERT_EQ(Lock.Writes.size(), 1u);
        const auto &write = Lock.Writes[0];
        EXPECT_EQ(write.RegisterId, c.registerId);
        EXPECT_EQ(write.Building, c.building);
        EXPECT_EQ(write.Floor, c.floor);
        EXPECT_EQ(write.Room, c.room);
        EXPECT_EQ(write.GuestName, c.guestName);
        EXPECT_EQ(write.IsCopy, c.isCopy);
        EXPECT_EQ(answer, Answer("200", "发卡成功", Lock.NextCardNo - 1));
    }
}

TEST_F(HandlerTest, CheckInAndCheckOutTimesWithDelays)
{
    struct {
        int delayMinutes, delayMinutes2;
        TDateTime checkIn, checkOut;
    } cases[] = {
        {0, 0, EncodeDateTime(2008, 6, 20, 14, 30), EncodeDateTime(2008, 6, 22, 12, 0)},
        {30, 0, EncodeDateTime(2008, 6, 20, 14, 0), EncodeDateTime(2008, 6, 22, 12, 0)},
        {0, 30, EncodeDateTime(2008, 6, 20, 14, 30), EncodeDateTime(2008, 6, 22, 12, 30)},
        {-15, -90, EncodeDateTime(2008, 6, 20, 14, 45), EncodeDateTime(2008, 6, 22, 10, 30)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.delayMinutes) + " / " + std::to_string(c.delayMinutes2));
        State->SysOption.DelayMinutes = c.delayMinutes;
        State->SysOption.DelayMinutes2 = c.delayMinutes2;
        Lock.Writes.clear();
        Process(IssueCardRequest());
        ASSERT_EQ(Lock.Writes.size(), 1u);
        EXPECT_NEAR(Lock.Writes[0].CheckInDate, c.checkIn, 1e-8);
        EXPECT_EQ(Lock.Writes[0].CheckInTime, Lock.Writes[0].CheckInDate);
        EXPECT_NEAR(Lock.Writes[0].CheckOutDate, c.checkOut, 1e-8);
        EXPECT_EQ(Lock.Writes[0].CheckOutTime, Lock.Writes[0].CheckOutDate);
    }
}

TEST_F(HandlerTest, IsCopyValues)
{
    struct {
        const char *text;
        bool isCopy;
    } cases[] = {{"True", true},  {"true", true},   {"TRUE", true},   {" True ", true},
                 {"1", true},     {"-1", true},     {"2", true},      {"0.5", true},
                 {"False", false}, {"FALSE", false}, {"0", false},    {"0.0", false},
                 {"", false},     {"no", false},    {"yes", false},   {"1x", false},
                 {"inf", false},  {"nan", false},  {"-inf", false}, {"-nan", false},
                 {"+1", true},    {"+-1", false},   {"-+1", false},   {"++1", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IsCopyValue(c.text), c.isCopy);
    }
}

TEST_F(HandlerTest, UnreadableRequestsEndWithoutAnswerOrCard)
{
    TIssueCardFields badDate;
    badDate.CheckOutDate = "2008-13-45";
    TIssueCardFields badTime;
    badTime.CheckInTime = "14h30";
    std::string tooFew = IssueCardRequest();
    tooFew.erase(tooFew.find("<IsCopy>"), tooFew.find("</DoorRequest>") - tooFew.find("<IsCopy>"));
    struct {
        const char *name;
        std::string text;
        bool documentRead; // "执行操作->" is logged
    } cases[] = {
        {"ten children", tooFew, true},
        {"a date that does not read", IssueCardRequest(badDate), true},
        {"a time that does not read", IssueCardRequest(badTime), true},
        {"empty text (what malformed UTF-8 decodes to)", "", false},
        {"no element", "just text", false},
        {"not well formed", "<a type='IssueCard'><b></a>", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TTempDir dir;
        CreateClientMdb(dir.Path() + "Client.mdb");
        State.emplace(dir.Path());
        Lock.Writes.clear();
        bool threw = false;
        EXPECT_FALSE(Process(c.text, &threw).has_value());
        EXPECT_TRUE(threw);
        EXPECT_TRUE(Lock.Writes.empty());
        const auto log = LogMessages(dir.Path());
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log[0], "收到消息: ");
        EXPECT_EQ(Contains(log, "执行操作->"), c.documentRead);
        EXPECT_FALSE(Contains(log, "完成一次操作"));
    }
}

TEST_F(HandlerTest, StartTimeFromTheDatabaseForCopiesAndFirstCards)
{
    State->SysOption.UseNativeDoorlockDb = true;
    State->SysOption.DelayMinutes = 30;
    TIssueCardFields copy;
    copy.IsCopy = "True";

    // A copy for a room the database does not know: now minus the delay,
    // and the room is added with that time before the card is written.
    TDateTime before = IncMinute(Now(), -30);
    Process(IssueCardRequest(copy));
    TDateTime after = IncMinute(Now(), -30);
    ASSERT_EQ(Lock.Writes.size(), 1u);
    const TDateTime added = Lock.Writes[0].CheckInDate;
    EXPECT_GE(added, before - 1e-8);
    EXPECT_LE(added, after + 1e-8);
    EXPECT_EQ(Rows("select RoomNo, LastCheckInTime from T_Room"),
              (std::vector<std::vector<std::string>>{{"001101", Stored(added)}}));
    EXPECT_TRUE(Contains(LogMessages(Dir.Path()), "新建房间001101"));

    // A further copy takes the stored time and does not move it.
    Process(IssueCardRequest(copy));
    ASSERT_EQ(Lock.Writes.size(), 2u);
    EXPECT_NEAR(Lock.Writes[1].CheckInDate, added, 1e-8);

    // A first card written: now minus the delay, stored for the room.
    before = IncMinute(Now(), -30);
    Process(IssueCardRequest());
    after = IncMinute(Now(), -30);
    ASSERT_EQ(Lock.Writes.size(), 3u);
    const TDateTime first = Lock.Writes[2].CheckInDate;
    EXPECT_GE(first, before - 1e-8);
    EXPECT_LE(first, after + 1e-8);
    EXPECT_EQ(Rows("select LastCheckInTime from T_Room where RoomNo='001101'"),
              (std::vector<std::vector<std::string>>{{Stored(first)}}));

    // A first card that is not written leaves the room's time alone.
    Lock.Succeed = false;
    Process(IssueCardRequest());
    EXPECT_EQ(Rows("select LastCheckInTime from T_Room where RoomNo='001101'"),
              (std::vector<std::vector<std::string>>{{Stored(first)}}));
    EXPECT_TRUE(Rows("select * from T_IssueCardRecord").empty()); // SaveDoorlockRecord off
}

TEST_F(HandlerTest, WithoutTheDatabaseTheRequestsCheckInIsTheStartTime)
{
    State->SysOption.DelayMinutes = 10;
    TIssueCardFields copy;
    copy.IsCopy = "1";
    Process(IssueCardRequest(copy));
    ASSERT_EQ(Lock.Writes.size(), 1u);
    EXPECT_NEAR(Lock.Writes[0].CheckInDate, EncodeDateTime(2008, 6, 20, 14, 20), 1e-8);
    EXPECT_TRUE(Rows("select * from T_Room").empty());
}

TEST_F(HandlerTest, EveryIssueIsRecordedWhenAskedFailedWritesToo)
{
    State->SysOption.SaveDoorlockRecord = true;
    State->SysOption.DelayMinutes2 = 30;
    TIssueCardFields fields;
    fields.GuestName = "";
    Lock.Succeed = false;
    EXPECT_EQ(Process(IssueCardRequest(fields)), Answer("500", "发卡失败", 500));
    Lock.Succeed = true;
    fields.IsCopy = "True";
    fields.GuestName = "王小明";
    const TDateTime before = Now();
    EXPECT_EQ(Process(IssueCardRequest(fields)), Answer("200", "发卡成功", 501));
    const TDateTime after = Now();
    const auto rows = Rows("select RegisterId, CardNo, RoomNo, CardType, LastCheckInTime, "
                           "CheckInTime, CheckOutTime, IsCopy, GuestName, OpratingTime "
                           "from T_IssueCardRecord order by rowid");
    ASSERT_EQ(rows.size(), 2u);
    const std::string checkIn = Stored(EncodeDateTime(2008, 6, 20, 14, 30));
    const std::string checkOut = Stored(EncodeDateTime(2008, 6, 22, 12, 30));
    EXPECT_EQ(rows[0], (std::vector<std::string>{"R0001", "500", "001101", "1", checkIn, checkIn,
                                                 checkOut, "0", "", rows[0][9]}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"R0001", "501", "001101", "1", checkIn, checkIn,
                                                 checkOut, "1", "王小明", rows[1][9]}));
    EXPECT_GE(rows[1][9], Stored(before).substr(0, 19));
    EXPECT_LE(rows[1][9].substr(0, 19), Stored(after).substr(0, 19));
}

TEST(ResponseXml, ValuesAreEscaped)
{
    TResponse response;
    EXPECT_EQ(BuildResponseXml(response), "<DoorResponse><RequestID></RequestID><ResultCode>"
                                          "</ResultCode><ResultMessage></ResultMessage><CardNo>0"
                                          "</CardNo></DoorResponse>");
    response.RequestID = "<a&b>";
    response.ResultCode = "\"'";
    response.ResultMessage = "发卡成功";
    response.CardNo = -101;
    EXPECT_EQ(BuildResponseXml(response),
              "<DoorResponse><RequestID>&lt;a&amp;b&gt;</RequestID><ResultCode>&quot;&apos;"
              "</ResultCode><ResultMessage>发卡成功</ResultMessage><CardNo>-101</CardNo>"
              "</DoorResponse>");
}

TEST(RequestFrame, RequestEndsAtTheFirstZeroByteWithinTheLimit)
{
    const std::string full(MaxRequestBytes, 'x');
    struct {
        const char *name;
        std::vector<std::string> chunks; // as they arrive
        TRequestFrame::TState state;
        std::string request;
    } cases[] = {
        {"one piece", {std::string("<a/>\0", 5)}, TRequestFrame::TState::Complete, "<a/>"},
        {"in pieces", {"<a", "/", std::string(">\0", 2)}, TRequestFrame::TState::Complete, "<a/>"},
        {"bytes after the zero ignored", {std::string("<a/>\0<b/>\0", 10), "more"},
         TRequestFrame::TState::Complete, "<a/>"},
        {"no zero yet", {"<a/>"}, TRequestFrame::TState::NeedMore, ""},
        {"empty request", {std::string(1, '\0')}, TRequestFrame::TState::Complete, ""},
        {"exactly the limit", {full, std::string(1, '\0')}, TRequestFrame::TState::Complete, full},
        {"one byte over", {full, "x"}, TRequestFrame::TState::TooLong, ""},
        {"over with its zero", {full + std::string("x\0", 2)}, TRequestFrame::TState::TooLong, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TRequestFrame frame;
        for (const std::string &chunk : c.chunks)
            frame.Add(chunk);
        EXPECT_EQ(frame.State(), c.state);
        if (c.state == TRequestFrame::TState::Complete) {
            EXPECT_EQ(frame.Request(), c.request);
        }
    }
}

TEST(RequestText, ValidUtf8IsKeptAndAnythingElseBecomesEmpty)
{
    struct {
        const char *name;
        std::string bytes;
        bool valid;
    } cases[] = {
        {"ASCII", "<a/>", true},
        {"two bytes", "\xC2\xA9", true},
        {"three bytes", "王小明", true},
        {"four bytes", "\xF0\x9F\x94\x91", true},
        {"highest character", "\xF4\x8F\xBF\xBF", true},
        {"lone continuation byte", "a\x80", false},
        {"cut short", "\xE7\x8E", false},
        {"overlong two bytes", "\xC0\xAF", false},
        {"overlong three bytes", "\xE0\x80\xAF", false},
        {"overlong four bytes", "\xF0\x80\x80\xAF", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", false},
        {"GBK text", "\xCD\xF5", false},
        {"FF byte", "\xFF", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid);
        EXPECT_EQ(DecodeRequestText(c.bytes), c.valid ? c.bytes : std::string());
    }
}

TEST(NorvikDoorLock, HotelIdMustBeADecimalInteger)
{
    struct {
        const char *text;
        std::optional<int32_t> value; // nothing: a conversion failure
    } cases[] = {{"1343", 1343},  {"0", 0},          {"+7", 7},        {"-1", -1},
                 {"16383", 16383}, {"", std::nullopt}, {" 1", std::nullopt}, {"1 ", std::nullopt},
                 {"12x", std::nullopt}, {"0x10", std::nullopt}, {"$10", std::nullopt},
                 {"2147483648", std::nullopt}, {"+", std::nullopt}, {"+-5", std::nullopt},
                 {"-+5", std::nullopt}, {"--5", std::nullopt}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        if (c.value) {
            EXPECT_EQ(HotelIdToInt(c.text), *c.value);
        } else {
            EXPECT_THROW(HotelIdToInt(c.text), EConvertError);
        }
    }
}

TEST(NorvikDoorLock, CheckOutTimeTextTakesTheDateFromOneValueAndTheTimeFromTheOther)
{
    EXPECT_EQ(CheckOutTimeText(EncodeDateTime(2008, 6, 22, 12, 0), EncodeDateTime(2008, 6, 22, 12, 0)),
              "0806221200");
    EXPECT_EQ(CheckOutTimeText(EncodeDateTime(2008, 6, 22), EncodeDateTime(1999, 1, 1, 9, 5, 59)),
              "0806220905");
    EXPECT_EQ(CheckOutTimeText(EncodeDateTime(2016, 1, 1, 0, 0), EncodeDateTime(2016, 1, 1, 23, 59)),
              "1601012359");
}
