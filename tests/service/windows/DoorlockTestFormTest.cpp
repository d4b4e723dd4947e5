// The door lock test window against the encoder simulator on a
// pseudo-terminal (the library's COM1 through EN24_COM1), with a fresh
// Client.mdb and Option.ini in a temporary folder. Card writes run at the
// encoder's real pace (about three seconds each).
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cmath>
#include <memory>
#include <mutex>
#include <sqlite3.h>

#include "ClientMdb.h"
#include "DateTimeUnit.h"
#include "DoorlockServiceUnit.h"
#include "DoorlockTestFormUnit.h"
#include "EN24_C1.h"
#include "SimulatedComPort.h"
#include "WindowTestSupport.h"

namespace {

const en24sim::EncoderSimulator::Record kErasedCard{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                   0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

struct TIssueRecord {
    QString RegisterId, CardNo, RoomNo, GuestName;
    int CardType = 0, IsCopy = 0;
    TDateTime LastCheckInTime = 0, CheckInTime = 0, CheckOutTime = 0; // to the second
};

// Cards carry years 2000 to 2015 only, so the window's default check-out
// (two days from now) cannot go on a card; writes that must succeed use this.
const QString kCheckOutOnCard = QStringLiteral("2015-06-22 12:00:00");

// One second of slack: the window's texts carry whole seconds.
constexpr double kSecond = 1.0 / 86400;

} // namespace

class DoorlockTestFormTest : public QObject {
    Q_OBJECT

private:
    void StartService(const QByteArray &optionIni)
    {
        QFile file(Dir_->filePath(QStringLiteral("Option.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(optionIni);
        file.close();
        Service_ = std::make_unique<TDoorlockService>(Dir_->path().toStdString() + "/");
        Form_ = std::make_unique<TDoorlockTestForm>(*Service_->CurrentDoorlock(), Service_->State(),
                                                    Service_->CardOperationLock());
        Form_->show();
    }

    // Presses button and waits until the operation's outcome is on the window.
    void Press(QPushButton *button)
    {
        QSignalSpy finished(Form_.get(), &TDoorlockTestForm::OperationFinished);
        button->click();
        QVERIFY(finished.wait(20000));
    }

    std::vector<TIssueRecord> IssueRecords()
    {
        std::vector<TIssueRecord> records;
        sqlite3 *db = nullptr;
        const QByteArray path = Dir_->filePath(QStringLiteral("Client.mdb")).toUtf8();
        if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close(db);
            return records;
        }
        sqlite3_stmt *query = nullptr;
        sqlite3_prepare_v2(db,
                           "select RegisterId, CardNo, RoomNo, GuestName, CardType, IsCopy, "
                           "LastCheckInTime, CheckInTime, CheckOutTime "
                           "from T_IssueCardRecord order by rowid",
                           -1, &query, nullptr);
        auto text = [query](int column) {
            const auto *value = sqlite3_column_text(query, column);
            return value ? QString::fromUtf8(reinterpret_cast<const char *>(value)) : QString();
        };
        // Stored as "yyyy-mm-dd hh:nn:ss.zzz"; the window's texts carry whole seconds.
        auto time = [&text](int column) {
            return StrToDateTime(text(column).left(19).toStdString());
        };
        while (query != nullptr && sqlite3_step(query) == SQLITE_ROW)
            records.push_back({text(0), text(1), text(2), text(3), sqlite3_column_int(query, 4),
                               sqlite3_column_int(query, 5), time(6), time(7), time(8)});
        sqlite3_finalize(query);
        sqlite3_close(db);
        return records;
    }

    QString Log()
    {
        return QString::fromUtf8(ReadFileBytes(
            QString::fromStdString(Service_->State().LogFile.FileName())));
    }

    std::unique_ptr<QTemporaryDir> Dir_;
    std::unique_ptr<en24sim::SimulatedComPort> Com1_;
    en24sim::EncoderSimulator &Encoder() { return Com1_->Encoder(); }
    std::unique_ptr<TDoorlockService> Service_;
    std::unique_ptr<TDoorlockTestForm> Form_;
    TUnexpectedMessages Unexpected_;

private slots:
    void init()
    {
        Dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(Dir_->isValid());
        CreateClientMdb(Dir_->filePath(QStringLiteral("Client.mdb")).toStdString());
        Com1_ = std::make_unique<en24sim::SimulatedComPort>(1);
        Unexpected_.Start();
    }

    void cleanup()
    {
        Form_.reset();
        Service_.reset();
        Com1_.reset();
        Dir_.reset();
        VERIFY_NO_UNEXPECTED_MESSAGES(Unexpected_);
    }

    void openingState()
    {
        const TDateTime before = Now();
        StartService("");
        const TDateTime after = Now();
        TDoorlockTestForm &form = *Form_;
        QCOMPARE(form.windowTitle(), QStringLiteral("测试"));
        QCOMPARE(form.size(), QSize(599, 394));
        QCOMPARE(form.RoomBuildingCodeTxt->text(), QStringLiteral("00"));
        QCOMPARE(form.RoomFloorCodeTxt->text(), QStringLiteral("01"));
        QCOMPARE(form.RoomNoTxt->text(), QStringLiteral("01"));
        VerifyControls(form, {{"OpenPortBtn", -1, 0, 0, 0, "打开串口"},
                              {"beepBtn", -1, 0, 0, 0, "Beep"},
                              {"ClosePortBtn", -1, 0, 0, 0, "关闭串口"},
                              {"Label2", -1, 0, 0, 0, "楼号:"},
                              {"RoomBuildingCodeTxt", -1, 0, 0, 0, "00"},
                              {"Label3", -1, 0, 0, 0, "楼层:"},
                              {"RoomFloorCodeTxt", -1, 0, 0, 0, "01"},
                              {"Label4", -1, 0, 0, 0, "房号:"},
                              {"RoomNoTxt", -1, 0, 0, 0, "01"},
                              {"Label7", -1, 0, 0, 0, "起始时间："},
                              {"Label8", -1, 0, 0, 0, "到"},
                              {"IsCopyCheckBox", -1, 0, 0, 0, "复制"},
                              {"WriteCardBtn", -1, 0, 0, 0, "写卡"},
                              {"Label1", -1, 0, 0, 0, "卡号"},
                              {"CardNoTxt", -1, 0, 0, 0, ""},
                              {"ReadCardBtn", -1, 0, 0, 0, "读卡"},
                              {"EraseCardBtn", -1, 0, 0, 0, "销卡"}});
        QCOMPARE(form.focusWidget(), form.OpenPortBtn); // first in tab order
        QVERIFY(!form.IsCopyCheckBox->isChecked());
        QVERIFY(form.CardNoTxt->text().isEmpty());

        // One hour before and two days after the moment of opening.
        const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
        QVERIFY(shape.match(form.CheckInDateTimeTxt->text()).hasMatch());
        QVERIFY(shape.match(form.CheckOutDateTimeTxt->text()).hasMatch());
        const TDateTime checkIn = StrToDateTime(form.CheckInDateTimeTxt->text().toStdString());
        const TDateTime checkOut = StrToDateTime(form.CheckOutDateTimeTxt->text().toStdString());
        QVERIFY(checkIn >= IncMinute(before, -60) - kSecond && checkIn <= IncMinute(after, -60));
        QVERIFY(checkOut >= IncMinute(before, 2880) - kSecond && checkOut <= IncMinute(after, 2880));

        const QList<QWidget *> order = {
            form.OpenPortBtn, form.ClosePortBtn, form.CardNoTxt, form.RoomNoTxt,
            form.RoomFloorCodeTxt, form.RoomBuildingCodeTxt, form.ReadCardBtn, form.WriteCardBtn,
            form.EraseCardBtn, form.CheckInDateTimeTxt, form.CheckOutDateTimeTxt, form.beepBtn,
            form.IsCopyCheckBox};
        for (int i = 0; i + 1 < order.size(); ++i)
            QCOMPARE(NextTabStop(order[i]), order[i + 1]);
    }

    void beepOnlyWhileThePortIsOpen()
    {
        StartService("");
        Press(Form_->beepBtn);
        Press(Form_->OpenPortBtn);
        Press(Form_->beepBtn);
        Press(Form_->ClosePortBtn);
        QVERIFY(Encoder().WaitForFrames(1, std::chrono::seconds(2)));
        QCOMPARE(Encoder().BeepCount(), 1);
        QVERIFY(Log().contains(QStringLiteral("串口COM1打开成功")));
    }

    void readWithNoCardShowsTheLibrarysCode()
    {
        StartService("");
        Encoder().RemoveCard();
        Press(Form_->ReadCardBtn);
        // What the library answers on its own for the same encoder.
        const int32_t handle = OpenPort(1, 9600);
        QVERIFY(handle > 0);
        char cardInfo[129] = {};
        const int32_t code = GetCardInfo(handle, cardInfo);
        ClosePort(handle);
        QVERIFY(code <= 0);
        QCOMPARE(Form_->CardNoTxt->text(), QString::number(code));
        QVERIFY(Log().contains(QStringLiteral("读卡失败, 错误代码 r=") + QString::number(code)));
    }

    void everyWriteAddsARecord()
    {
        StartService("[DoorlockOption]\r\nHotelID=1\r\nCurrentCardNo=41\r\nSaveDoorlockRecord=1\r\n");
        Form_->CheckOutDateTimeTxt->setText(kCheckOutOnCard);
        Encoder().PutCard(kErasedCard);
        Press(Form_->WriteCardBtn);
        Encoder().RemoveCard(); // this write fails, and is recorded all the same
        Press(Form_->WriteCardBtn);

        const std::vector<TIssueRecord> records = IssueRecords();
        QCOMPARE(records.size(), size_t(2));
        for (size_t i = 0; i < records.size(); ++i) {
            QVERIFY(records[i].RegisterId.isEmpty());
            QCOMPARE(records[i].CardNo, QString::number(42 + int(i)));
            QCOMPARE(records[i].RoomNo, QStringLiteral("000101")); // 00 + 01 + 01
            QCOMPARE(records[i].GuestName, QStringLiteral("Test"));
            QCOMPARE(records[i].CardType, 1);
            QCOMPARE(records[i].IsCopy, 0);
        }
        QVERIFY2(Log().contains(QStringLiteral("写卡成功,卡号为:42")), qPrintable(Log()));
        QVERIFY(Log().contains(QStringLiteral("写卡失败, 错误代码 r=")));
        QVERIFY(Form_->CardNoTxt->text().isEmpty()); // a write shows nothing
        QCOMPARE(Encoder().OverlapCount(), 0);
    }

    // The card's start time and the room's last check-in time: from the
    // window's check-in text without the local database; with it, the room's
    // time for a copy card and now minus DelayMinutes otherwise.
    void startTime_data()
    {
        QTest::addColumn<bool>("useNativeDb");
        QTest::addColumn<bool>("isCopy");
        QTest::addColumn<bool>("roomKnown");
        QTest::addColumn<QString>("start");    // "room", "now - delay" or "check-in"
        QTest::addColumn<QString>("roomTime"); // after the write: "kept", "start" or "none"

        QTest::newRow("copy card keeps the room's time") << true << true << true << "room" << "kept";
        QTest::newRow("copy card for a new room adds it") << true << true << false << "now - delay" << "start";
        QTest::newRow("first card sets the room's time") << true << false << true << "now - delay" << "start";
        QTest::newRow("without the database: check-in text") << false << true << false << "check-in" << "none";
    }

    void startTime()
    {
        QFETCH(bool, useNativeDb);
        QFETCH(bool, isCopy);
        QFETCH(bool, roomKnown);
        QFETCH(QString, start);
        QFETCH(QString, roomTime);
        StartService(QByteArray("[DoorlockOption]\r\nHotelID=1\r\nDelayMinutes=30\r\n"
                                "SaveDoorlockRecord=1\r\nUseNativeDoorlockDb=") +
                     (useNativeDb ? "1" : "0") + "\r\n");
        TDoorlockRecordManager &rooms = Service_->State().DoorlockRecordManager;
        const TDateTime earlier = EncodeDateTime(2008, 6, 20, 13, 30);
        if (roomKnown)
            rooms.AddRoom("000101", earlier);
        Encoder().PutCard(kErasedCard);
        Form_->CheckInDateTimeTxt->setText(QStringLiteral("2015-06-20 12:00:00"));
        Form_->CheckOutDateTimeTxt->setText(kCheckOutOnCard);
        Form_->IsCopyCheckBox->setChecked(isCopy);
        const TDateTime before = Now();
        Press(Form_->WriteCardBtn);
        const TDateTime after = Now();
        QVERIFY2(Log().contains(QStringLiteral("写卡成功")), qPrintable(Log()));

        const std::vector<TIssueRecord> records = IssueRecords();
        QCOMPARE(records.size(), size_t(1));
        const TIssueRecord &record = records[0];
        QCOMPARE(record.IsCopy, isCopy ? 1 : 0);
        // No delay is applied to the window's own times.
        QCOMPARE(FormatDateTime("yyyy-mm-dd hh:nn:ss", record.CheckInTime), std::string("2015-06-20 12:00:00"));
        QCOMPARE(FormatDateTime("yyyy-mm-dd hh:nn:ss", record.CheckOutTime),
                 kCheckOutOnCard.toStdString());
        if (start == QStringLiteral("room"))
            QCOMPARE(FormatDateTime("yyyy-mm-dd hh:nn:ss", record.LastCheckInTime),
                     std::string("2008-06-20 13:30:00"));
        else if (start == QStringLiteral("check-in"))
            QCOMPARE(record.LastCheckInTime, record.CheckInTime);
        else
            QVERIFY(record.LastCheckInTime >= IncMinute(before, -30) - kSecond &&
                    record.LastCheckInTime <= IncMinute(after, -30));

        const TDateTime stored = rooms.GetLastCheckInTime("000101");
        if (roomTime == QStringLiteral("kept"))
            QCOMPARE(stored, earlier);
        else if (roomTime == QStringLiteral("none"))
            QCOMPARE(stored, TDateTime(0));
        else
            QVERIFY(std::abs(stored - record.LastCheckInTime) <= kSecond);
    }

    void unreadableDateStopsBeforeAnything()
    {
        StartService("[DoorlockOption]\r\nHotelID=1\r\nSaveDoorlockRecord=1\r\n");
        TMessageRecorder recorder;
        Form_->CheckOutDateTimeTxt->setText(QStringLiteral("2008-13-45 25:00:00"));
        Form_->WriteCardBtn->click();
        QCOMPARE(recorder.Messages.size(), size_t(1));
        QCOMPARE(recorder.Messages[0].Icon, QMessageBox::Critical);
        QVERIFY(!Form_->Busy());
        QVERIFY(Form_->isVisible());
        QVERIFY(IssueRecords().empty());
        QVERIFY(Encoder().Frames().empty());
    }

    void failureInsideTheDriverIsShown()
    {
        // HotelID is empty by default: the driver stops before a number is used.
        StartService("[DoorlockOption]\r\nSaveDoorlockRecord=1\r\n");
        TMessageRecorder recorder;
        Press(Form_->WriteCardBtn);
        QCOMPARE(recorder.Messages.size(), size_t(1));
        QCOMPARE(recorder.Messages[0].Icon, QMessageBox::Critical);
        QVERIFY(!recorder.Messages[0].Text.isEmpty());
        QVERIFY(Form_->isVisible());
        QVERIFY(Form_->WriteCardBtn->isEnabled());
        QVERIFY(IssueRecords().empty());
        QCOMPARE(Service_->State().Option.CurrentCardNo, int64_t(1));
    }

    void busyWhileARequestHoldsTheEncoder()
    {
        StartService("");
        Encoder().RemoveCard();
        std::unique_lock<std::mutex> request(Service_->CardOperationLock());
        Form_->ReadCardBtn->click();

        // The window waits for the request, busy but responsive.
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(10);
        QTest::qWait(300);
        QVERIFY(ticks >= 5);
        QVERIFY(Form_->Busy());
        for (QPushButton *button : {Form_->OpenPortBtn, Form_->beepBtn, Form_->ClosePortBtn,
                                    Form_->WriteCardBtn, Form_->ReadCardBtn, Form_->EraseCardBtn})
            QVERIFY(!button->isEnabled());
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QVERIFY(!Form_->close());
        QVERIFY(Form_->isVisible());
        QVERIFY(!Log().contains(QStringLiteral("串口"))); // the driver has not started

        QSignalSpy finished(Form_.get(), &TDoorlockTestForm::OperationFinished);
        request.unlock();
        QVERIFY(finished.wait(10000));
        QVERIFY(!Form_->Busy());
        QVERIFY(Form_->ReadCardBtn->isEnabled());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(Log().contains(QStringLiteral("串口COM1打开成功")));
        QVERIFY(Form_->close());
    }
};

QTEST_MAIN(DoorlockTestFormTest)
#include "DoorlockTestFormTest.moc"
