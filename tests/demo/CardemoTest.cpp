// Cardemo end to end: its window and button logic driving the real libEN24_C1.so, loaded at
// run time, against the encoder simulator on a pseudo-terminal. Message boxes are recorded,
// never shown.

#include "CardemoForm.h"
#include "CardemoLogic.h"
#include "HexBytes.h"
#include "SimulatedComPort.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace cardemo;
using en24sim::EncoderSimulator;

namespace {

// A day whose tomorrow the card can hold: card years run from 2000 to 2015.
const QDate kToday(2015, 6, 10);
constexpr int kPorts = 6;

struct Message {
    QString text;
    MessageIcon icon;
};

// Stands in for the message boxes and the program's end.
struct Recorder {
    std::vector<Message> messages;
    std::optional<int> exitCode;

    CardemoHooks Hooks(QDate today = kToday)
    {
        return {[this](const QString& text, MessageIcon icon) { messages.push_back({text, icon}); },
                [this](int code) { exitCode = code; }, [today] { return today; }};
    }
    QString Last() const { return messages.empty() ? QString() : messages.back().text; }
};

QByteArray PortVariable(int portNo)
{
    return "EN24_COM" + QByteArray::number(portNo);
}

QString Hex(const EncoderSimulator::Record& record)
{
    return QString::fromStdString(en24sim::ToHex(record));
}

bool IsWriteFrame(const std::vector<uint8_t>& frame)
{
    return frame.size() > 2 && frame[2] == 0xEC;
}

std::size_t WriteFrames(const EncoderSimulator& sim)
{
    std::size_t count = 0;
    for (const auto& frame : sim.Frames())
        count += IsWriteFrame(frame) ? 1 : 0;
    return count;
}

// A card as it comes to the hotel: any record will be overwritten.
const EncoderSimulator::Record kBlankCard{};

} // namespace

Q_DECLARE_METATYPE(MessageIcon)

class CardemoTest : public QObject {
    Q_OBJECT

    std::unique_ptr<en24sim::SimulatedComPort> com1_;
    EncoderSimulator& Sim() { return com1_->Encoder(); }
    Recorder recorder_;

    // COM<portNo> becomes the simulator; every other port is a path that does not exist.
    void RouteToSimulator(int portNo)
    {
        for (int n = 1; n <= kPorts; ++n)
            qputenv(PortVariable(n), (n == portNo ? com1_->LinkPath() : com1_->Folder() + "/absent").c_str());
    }

    std::unique_ptr<CardemoForm> NewForm(QDate today = kToday)
    {
        return std::make_unique<CardemoForm>(kLibraryFileName, recorder_.Hooks(today));
    }

    // Opens COM1 through the window and checks that it worked.
    void Open(CardemoForm& form)
    {
        form.Options[0]->setChecked(true);
        form.Command1->click();
        QVERIFY(form.Logic().PortHandle() >= 1);
    }

    // The texts every start and "恢复到默认值" give (today fixed at 2015-06-10).
    static void CompareWithDefaults(const CardemoForm& form)
    {
        QCOMPARE(form.txtCoID->text(), "1343");
        QCOMPARE(form.txtCardNo->text(), "123456");
        QCOMPARE(form.txtLockNo->text(), "105001");
        QCOMPARE(form.txtDai->text(), "0");
        QCOMPARE(form.txtETime->text(), "2015/06/11 14:00");
        QCOMPARE(form.txtStrHex->text(), "");
        QCOMPARE(form.txtHandle->text(), "");
    }

    // A new window with COM1 opened through it.
    std::unique_ptr<CardemoForm> OpenedForm()
    {
        auto form = NewForm();
        Open(*form);
        return form;
    }

private slots:
    void init()
    {
        com1_ = std::make_unique<en24sim::SimulatedComPort>(1);
        RouteToSimulator(1);
        recorder_ = {};
    }
    void cleanup()
    {
        for (int n = 1; n <= kPorts; ++n)
            qunsetenv(PortVariable(n));
        com1_.reset();
    }

    void StartsWithTheDefaults()
    {
        const auto form = NewForm();
        CompareWithDefaults(*form);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(form->Options[0]->isChecked());
        QVERIFY(form->Command1->isEnabled());
        QVERIFY(!form->Command2->isEnabled());
        QVERIFY(!form->cmdbuzzer->isEnabled());
        QVERIFY(!form->cmdwritecard->isEnabled());
        QVERIFY(!form->cmdreadcard->isEnabled());
        QVERIFY(form->cmdtest->isEnabled());
        QVERIFY(form->cmdreset->isEnabled());
        QVERIFY(form->cmdExit->isEnabled());
        QVERIFY(!form->txtHandle->isEnabled());
        QVERIFY(!form->txtStrHex->isEnabled());
        QCOMPARE(form->Logic().PortHandle(), 0);
        QCOMPARE(form->windowTitle(), "M1卡Demo演示程序");
        QCOMPARE(form->size(), QSize(549, 480));
        // Only a close box on the title bar: without CustomizeWindowHint the window manager
        // would add minimise and maximise buttons of its own.
        const Qt::WindowFlags flags = form->windowFlags();
        QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        const QPoint offCentre =
            form->geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 1, qPrintable(QString::number(offCentre.manhattanLength())));
        // The boxes that only show values lie on the inactive border's colour, the button face,
        // whatever their state (a disabled box's default background may be that colour anyway).
        for (const QLineEdit* box : {form->txtHandle, form->txtStrHex})
            for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
                QCOMPARE(box->palette().color(group, QPalette::Base),
                         QGuiApplication::palette().color(QPalette::Button));
    }

    // Every control of the window: its container, caption, place, font and colour.
    void ControlsStandWhereDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container"); // object name of the parent widget
        QTest::addColumn<QString>("caption");   // empty for text boxes
        QTest::addColumn<QRect>("place");       // pixels within the container
        QTest::addColumn<double>("points");
        QTest::addColumn<bool>("red");
        QTest::newRow("port frame") << "Frame1" << "Form1" << "端口操作" << QRect(8, 8, 537, 89) << 10.5 << true;
        QTest::newRow("COM1 on the window") << "Option1" << "Form1" << "COM1" << QRect(16, 24, 81, 33) << 9.0 << false;
        QTest::newRow("COM2 on the window") << "Option2" << "Form1" << "COM2" << QRect(88, 24, 81, 33) << 9.0 << false;
        QTest::newRow("COM3 on the window") << "Option3" << "Form1" << "COM3" << QRect(160, 24, 81, 33) << 9.0 << false;
        QTest::newRow("COM4 on the window") << "Option4" << "Form1" << "COM4" << QRect(224, 24, 81, 33) << 9.0 << false;
        QTest::newRow("COM5 on the window") << "Option5" << "Form1" << "COM5" << QRect(288, 24, 81, 33) << 9.0 << false;
        QTest::newRow("COM6 on the window") << "Option6" << "Form1" << "COM6" << QRect(352, 24, 81, 33) << 9.0 << false;
        QTest::newRow("open button") << "Command1" << "Form1" << "打开端口" << QRect(432, 24, 81, 25) << 9.0 << false;
        QTest::newRow("close button") << "Command2" << "Form1" << "关闭端口" << QRect(432, 56, 81, 25) << 9.0 << false;
        QTest::newRow("hotel id label") << "Label23" << "Frame1" << "酒店标识：" << QRect(16, 56, 73, 17) << 9.0 << false;
        QTest::newRow("hotel id box") << "txtCoID" << "Frame1" << "" << QRect(80, 56, 105, 18) << 10.5 << false;
        QTest::newRow("hotel id range") << "Label24" << "Frame1" << "（0-16383）" << QRect(200, 56, 105, 17) << 9.0 << true;
        QTest::newRow("card frame") << "Frame2" << "Form1" << "卡片操作" << QRect(8, 104, 537, 249) << 10.5 << true;
        QTest::newRow("card number label") << "Label22" << "Frame2" << "发卡流水号：" << QRect(16, 24, 81, 17) << 9.0 << false;
        QTest::newRow("card number box") << "txtCardNo" << "Frame2" << "" << QRect(96, 24, 105, 18) << 10.5 << false;
        QTest::newRow("card number range") << "Label2" << "Frame2" << "（1-16777214）" << QRect(216, 24, 105, 17) << 9.0 << true;
        QTest::newRow("lock number label") << "Label27" << "Frame2" << "锁号：" << QRect(16, 56, 73, 17) << 9.0 << false;
        QTest::newRow("lock number box") << "txtLockNo" << "Frame2" << "" << QRect(96, 56, 105, 18) << 10.5 << false;
        QTest::newRow("generation label") << "Label1" << "Frame2" << "客人代：" << QRect(256, 56, 73, 17) << 9.0 << false;
        QTest::newRow("generation box") << "txtDai" << "Frame2" << "" << QRect(328, 56, 57, 18) << 10.5 << false;
        QTest::newRow("generation range") << "Label5" << "Frame2" << "（0-255循环）" << QRect(400, 56, 105, 17) << 9.0 << true;
        QTest::newRow("lock number hint") << "Label28" << "Frame2" << "锁号组成：栋号1位,层号2位,房间编号3位" << QRect(16, 80, 329, 25) << 9.0 << true;
        QTest::newRow("port handle label") << "Label6" << "Frame2" << "串口句柄：" << QRect(368, 80, 89, 25) << 9.0 << false;
        QTest::newRow("port handle box") << "txtHandle" << "Frame2" << "" << QRect(368, 112, 129, 33) << 12.0 << false;
        QTest::newRow("check-out label") << "Label29" << "Frame2" << "退房时间：" << QRect(16, 120, 73, 17) << 9.0 << false;
        QTest::newRow("check-out box") << "txtETime" << "Frame2" << "" << QRect(80, 120, 233, 25) << 10.5 << false;
        QTest::newRow("card data label") << "Label3" << "Frame2" << "卡数据：" << QRect(16, 160, 65, 17) << 9.0 << false;
        QTest::newRow("card data box") << "txtStrHex" << "Frame2" << "" << QRect(80, 160, 433, 25) << 10.5 << false;
        QTest::newRow("test button") << "cmdtest" << "Form1" << "测试" << QRect(16, 304, 81, 33) << 9.0 << false;
        QTest::newRow("beep button") << "cmdbuzzer" << "Form1" << "蜂鸣" << QRect(104, 304, 73, 33) << 9.0 << false;
        QTest::newRow("guest card button") << "cmdwritecard" << "Form1" << "制宾客卡" << QRect(184, 304, 81, 33) << 9.0 << false;
        QTest::newRow("read button") << "cmdreadcard" << "Form1" << "读卡" << QRect(272, 304, 73, 33) << 9.0 << false;
        QTest::newRow("restore button") << "cmdreset" << "Form1" << "恢复到默认值" << QRect(352, 304, 97, 33) << 9.0 << false;
        QTest::newRow("exit button") << "cmdExit" << "Form1" << "退出" << QRect(456, 304, 81, 33) << 9.0 << false;
        QTest::newRow("usage frame") << "Frame3" << "Form1" << "使用说明" << QRect(8, 360, 537, 113) << 10.5 << true;
        QTest::newRow("usage note 1") << "Label7" << "Frame3" << "1,选择相应的端口打开之后，才能进行发卡读卡等操作； " << QRect(24, 24, 497, 17) << 9.0 << true;
        QTest::newRow("usage note 2") << "Label8" << "Frame3" << "2,按说明正确填写相应信息是能否发卡成功的关键步骤； " << QRect(24, 40, 497, 17) << 9.0 << true;
        QTest::newRow("usage note 3") << "Label9" << "Frame3" << "3,客人代号，是实现后卡覆盖前卡功能的，一般默认为0即可；" << QRect(24, 56, 497, 17) << 9.0 << true;
        QTest::newRow("usage note 4") << "Label11" << "Frame3" << "4,发卡流水号即卡号，是卡的唯一标识，每发一张卡，发卡流水号加1；" << QRect(24, 72, 497, 17) << 9.0 << true;
        QTest::newRow("usage note 5") << "Label12" << "Frame3" << "5,“测试”为测试动态库，不涉及端口操作。" << QRect(24, 88, 497, 17) << 9.0 << true;
    }
    void ControlsStandWhereDesigned()
    {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QString, caption);
        QFETCH(QRect, place);
        QFETCH(double, points);
        QFETCH(bool, red);
        const auto form = NewForm();
        const auto* control = form->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->parentWidget()->objectName(), container);
        QCOMPARE(control->geometry(), place);
        QCOMPARE(control->font().pointSizeF(), points);
        QCOMPARE(control->font().families().value(0), "宋体");
        // A text box draws its text in the Text colour, everything else in WindowText.
        const auto role = qobject_cast<const QLineEdit*>(control) ? QPalette::Text : QPalette::WindowText;
        QCOMPARE(control->palette().color(role) == QColor(Qt::red), red);
        if (const auto* label = qobject_cast<const QLabel*>(control))
            QCOMPARE(label->text(), caption);
        else if (const auto* button = qobject_cast<const QAbstractButton*>(control))
            QCOMPARE(button->text(), caption);
        else if (const auto* frame = qobject_cast<const QGroupBox*>(control))
            QCOMPARE(frame->title(), caption);
        else
            QVERIFY(qobject_cast<const QLineEdit*>(control)->font().bold());
    }

    void TestNeedsNoPort()
    {
        const auto form = NewForm();
        form->cmdtest->click();
        QCOMPARE(recorder_.messages.size(), 1u);
        QCOMPARE(recorder_.Last(), "测试结果为：2008");
        QCOMPARE(recorder_.messages.back().icon, MessageIcon::None);
        QVERIFY(Sim().Frames().empty());
    }

    // The port number of the chosen option button reaches the library: only that port leads
    // to the simulator. Open, then close twice.
    void OpensAndClosesEachPort_data()
    {
        QTest::addColumn<int>("portNo");
        for (int n = 1; n <= kPorts; ++n)
            QTest::addRow("COM%d", n) << n;
    }
    void OpensAndClosesEachPort()
    {
        QFETCH(int, portNo);
        RouteToSimulator(portNo);
        const auto form = NewForm();
        form->Options[static_cast<std::size_t>(portNo - 1)]->setChecked(true);

        form->Command1->click();
        const int handle = form->Logic().PortHandle();
        QVERIFY2(handle >= 1, qPrintable(recorder_.Last()));
        QCOMPARE(recorder_.Last(), QString::number(handle)); // the bare result
        QCOMPARE(form->txtHandle->text(), QString::number(handle));
        QVERIFY(form->Command1->isEnabled());
        QVERIFY(form->Command2->isEnabled());
        QVERIFY(form->cmdbuzzer->isEnabled());
        QVERIFY(form->cmdwritecard->isEnabled());
        QVERIFY(form->cmdreadcard->isEnabled());
        QVERIFY(!form->cmdExit->isEnabled());

        form->Command2->click();
        QCOMPARE(recorder_.Last(), "关闭串口成功");
        QVERIFY(form->Command1->isEnabled());
        QVERIFY(form->Command2->isEnabled());
        QVERIFY(!form->cmdbuzzer->isEnabled());
        QVERIFY(!form->cmdwritecard->isEnabled());
        QVERIFY(!form->cmdreadcard->isEnabled());
        QVERIFY(form->cmdExit->isEnabled());
        QCOMPARE(form->Logic().PortHandle(), handle);
        QCOMPARE(form->txtHandle->text(), QString::number(handle));

        // The handle is closed already; the window says so and changes nothing. The number
        // may have gone to another descriptor since; that one stays open.
        const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
        QVERIFY(devNull >= 0);
        // The lowest free number from `handle` on is `handle` itself unless something took it.
        const int placed = fcntl(handle, F_GETFD) == -1 ? fcntl(devNull, F_DUPFD_CLOEXEC, handle) : -1;
        QVERIFY(fcntl(handle, F_GETFD) != -1);
        form->Command2->click();
        const bool stillOpen = fcntl(handle, F_GETFD) != -1;
        if (placed >= 0)
            close(placed);
        close(devNull);
        QVERIFY(stillOpen);
        QCOMPARE(recorder_.Last(), "关闭串口失败");
        QVERIFY(form->Command2->isEnabled());
        QVERIFY(form->cmdExit->isEnabled());
        QCOMPARE(recorder_.messages.size(), 3u);
    }

    // Opening again replaces the handle and leaves the port opened before open (held, so a
    // third open of it is refused); after a close, the next open can beep and close again.
    void OpeningAgainReplacesTheHandle()
    {
        const en24sim::SimulatedComPort second(2);
        const auto form = OpenedForm();
        const int first = form->Logic().PortHandle();

        form->Options[1]->setChecked(true);
        form->Command1->click();
        const int replaced = form->Logic().PortHandle();
        QVERIFY2(replaced >= 1 && replaced != first, qPrintable(recorder_.Last()));
        QCOMPARE(form->txtHandle->text(), QString::number(replaced));
        QVERIFY(fcntl(first, F_GETFD) != -1);
        form->Options[0]->setChecked(true);
        form->Command1->click();
        QCOMPARE(recorder_.Last(), "-81"); // COM1 is still held by the first handle
        QCOMPARE(form->Logic().PortHandle(), 0);
        // Both handles are lost to the window now; give the ports back.
        close(first);
        close(replaced);

        form->Options[1]->setChecked(true);
        form->Command1->click();
        QVERIFY(form->Logic().PortHandle() >= 1);
        form->Command2->click();
        QCOMPARE(recorder_.Last(), "关闭串口成功");
        form->Command1->click();
        QVERIFY(form->Logic().PortHandle() >= 1);
        QVERIFY(form->cmdbuzzer->isEnabled());
        form->cmdbuzzer->click();
        QVERIFY(second->WaitForFrames(1, std::chrono::seconds(2)));
        QCOMPARE(second->BeepCount(), 1);
        form->Command2->click();
        QCOMPARE(recorder_.Last(), "关闭串口成功");
        QVERIFY(!form->cmdbuzzer->isEnabled());
    }

    void FailedOpenKeepsTheButtons()
    {
        const auto form = NewForm();
        // From the start: only the result is shown.
        form->Options[1]->setChecked(true);
        form->Command1->click();
        QCOMPARE(recorder_.Last(), "-80");
        QVERIFY(!form->Command2->isEnabled());
        QVERIFY(!form->cmdreadcard->isEnabled());
        QVERIFY(form->cmdExit->isEnabled());
        QCOMPARE(form->Logic().PortHandle(), 0);
        form->Command2->click(); // still disabled
        QCOMPARE(recorder_.messages.size(), 1u);

        // After a good open: the buttons stay as they were, but the handle is gone.
        Open(*form);
        const QString shown = form->txtHandle->text();
        form->Options[1]->setChecked(true);
        form->Command1->click();
        QCOMPARE(recorder_.Last(), "-80");
        QCOMPARE(form->Logic().PortHandle(), 0);
        QCOMPARE(form->txtHandle->text(), shown);
        QVERIFY(form->Command2->isEnabled());
        QVERIFY(form->cmdwritecard->isEnabled());
        QVERIFY(!form->cmdExit->isEnabled());

        form->cmdwritecard->click();
        QCOMPARE(recorder_.Last(), "请先打开串口");
        QCOMPARE(recorder_.messages.back().icon, MessageIcon::Warning);
        form->cmdreadcard->click();
        QCOMPARE(recorder_.Last(), "串口没有打开");
        QCOMPARE(WriteFrames(Sim()), 0u);
    }

    // After a failed open the handle is 0 while "蜂鸣" stays enabled; descriptor 0 must not
    // receive the buzzer frame. Standard input is a pipe here, so a frame would show up in it.
    void BeepAfterAFailedOpenSendsNothing()
    {
        const auto form = OpenedForm();
        form->Options[1]->setChecked(true);
        form->Command1->click();
        QCOMPARE(form->Logic().PortHandle(), 0);
        QVERIFY(form->cmdbuzzer->isEnabled());

        int pipeEnds[2];
        QCOMPARE(pipe2(pipeEnds, O_NONBLOCK), 0);
        const int savedInput = dup(STDIN_FILENO);
        dup2(pipeEnds[1], STDIN_FILENO);
        form->cmdbuzzer->click();
        dup2(savedInput, STDIN_FILENO);
        close(savedInput);
        char byte;
        const auto got = read(pipeEnds[0], &byte, 1);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        QCOMPARE(got, -1);
        QCOMPARE(Sim().BeepCount(), 0);
    }

    void MakesAndReadsAGuestCardWithTheDefaults()
    {
        Sim().PutCard(kBlankCard);
        const auto form = OpenedForm();

        form->cmdbuzzer->click();
        QVERIFY(Sim().WaitForFrames(1, std::chrono::seconds(2)));
        QCOMPARE(Sim().BeepCount(), 1);

        form->cmdwritecard->click();
        QCOMPARE(recorder_.Last(), "制作宾客卡成功");
        // Card 123456, kind 0x68 (LLock), hotel 1343, lock 1-05-001, generation 0,
        // check-out 2015-06-11 14:00.
        const EncoderSimulator::Record expected{0x01, 0xE2, 0x40, 0x68, 0x05, 0x3F,
                                                0x01, 0x15, 0x00, 0xF6, 0x0B, 0x70};
        const auto card = Sim().Card();
        QVERIFY(card);
        QCOMPARE(Hex(*card), Hex(expected));
        QCOMPARE(form->txtStrHex->text(), Hex(expected));
        QCOMPARE(form->txtCardNo->text(), "123456"); // not counted up

        form->txtCardNo->setText("1");
        form->txtCoID->setText("9");
        form->txtLockNo->setText("000000");
        form->cmdreadcard->click();
        QCOMPARE(recorder_.Last(), "卡类型：6");
        QCOMPARE(form->txtCardNo->text(), "123456");
        QCOMPARE(form->txtCoID->text(), "01343");
        QCOMPARE(form->txtLockNo->text(), "105001");
        QCOMPARE(form->txtETime->text(), "2015/06/11 14:00");
        QCOMPARE(form->txtDai->text(), "0");
        QCOMPARE(form->txtStrHex->text(), Hex(expected));

        form->Command2->click();
        QCOMPARE(recorder_.Last(), "关闭串口成功");
        form->cmdExit->click();
        QCOMPARE(recorder_.exitCode, 0);
    }

    // Texts are read for their leading number: hotel id "12abc" is 12 and an empty one 0,
    // which the library takes; generation " 3 " is 3.
    void TypedNumbersGiveTheirLeadingValue_data()
    {
        QTest::addColumn<QString>("hotelId");
        QTest::addColumn<QString>("generation");
        QTest::addColumn<QString>("checkOut");
        QTest::addColumn<QString>("record");
        // Card 123456, kind 0x68, lock 1-05-001 in both.
        QTest::newRow("hotel 12, generation 3") << "12abc" << " 3 " << "2008-12-31 14:59" << "01E24068000C0115038CFF73";
        QTest::newRow("empty hotel id") << "" << "0" << "2015/06/11 14:00" << "01E240680000011500F60B70";
    }
    void TypedNumbersGiveTheirLeadingValue()
    {
        QFETCH(QString, hotelId);
        QFETCH(QString, generation);
        QFETCH(QString, checkOut);
        QFETCH(QString, record);
        Sim().PutCard(kBlankCard);
        const auto form = OpenedForm();
        form->txtCoID->setText(hotelId);
        form->txtDai->setText(generation);
        form->txtETime->setText(checkOut);
        form->cmdwritecard->click();
        QCOMPARE(recorder_.Last(), "制作宾客卡成功");
        const auto card = Sim().Card();
        QVERIFY(card);
        QCOMPARE(Hex(*card), record);
    }

    // What the window refuses before the library is called, and what the library refuses.
    void GuestCardRefusals_data()
    {
        QTest::addColumn<QString>("field");     // object name of the text box changed
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<MessageIcon>("icon");
        const QString lock = "请正确输入锁号";
        const QString generation = "请正确输入客人代：须为0至255之间的整数";
        const QString date = "请正确输入退房时间，格式为“年/月/日 时:分”，例如 2015/06/30 14:00";
        const QString refusedByLibrary = "制作宾客卡失败，请检查写卡信息 错误代码为：0";
        QTest::newRow("lock number of five") << "txtLockNo" << "10500" << lock << MessageIcon::Error;
        QTest::newRow("lock number of seven") << "txtLockNo" << "1050011" << lock << MessageIcon::Error;
        QTest::newRow("no lock number") << "txtLockNo" << "" << lock << MessageIcon::Error;
        QTest::newRow("generation 256") << "txtDai" << "256" << generation << MessageIcon::Error;
        QTest::newRow("generation -1") << "txtDai" << "-1" << generation << MessageIcon::Error;
        QTest::newRow("generation rounds to 256") << "txtDai" << "255.5" << generation << MessageIcon::Error;
        QTest::newRow("hotel id past 32 bits") << "txtCoID" << "2147483648" << "请正确输入酒店标识：数值超出32位整数的范围" << MessageIcon::Error;
        QTest::newRow("card number past 32 bits") << "txtCardNo" << "-2147483649" << "请正确输入发卡流水号：数值超出32位整数的范围" << MessageIcon::Error;
        QTest::newRow("30 February") << "txtETime" << "2015/02/30 14:00" << date << MessageIcon::Error;
        QTest::newRow("check-out in words") << "txtETime" << "明天" << date << MessageIcon::Error;
        QTest::newRow("check-out next century") << "txtETime" << "2105/01/01 14:00" << "请正确输入退房时间：年份须在2000年至2099年之间" << MessageIcon::Error;
        QTest::newRow("empty card number") << "txtCardNo" << "" << refusedByLibrary << MessageIcon::None;
        QTest::newRow("hotel id 16383") << "txtCoID" << "16383" << refusedByLibrary << MessageIcon::None;
        QTest::newRow("room 128") << "txtLockNo" << "105128" << refusedByLibrary << MessageIcon::None;
        QTest::newRow("check-out after 2015") << "txtETime" << "2016/01/01 14:00" << refusedByLibrary << MessageIcon::None;
    }
    void GuestCardRefusals()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(MessageIcon, icon);
        Sim().PutCard(kBlankCard);
        const auto form = OpenedForm();
        form->txtStrHex->setText("earlier");
        const std::size_t framesBefore = Sim().Frames().size();

        auto* box = form->findChild<QLineEdit*>(field);
        QVERIFY(box);
        box->setText(text);
        form->cmdwritecard->click();

        QCOMPARE(recorder_.Last(), message);
        QCOMPARE(recorder_.messages.back().icon, icon);
        QCOMPARE(Sim().Frames().size(), framesBefore);
        QCOMPARE(Hex(*Sim().Card()), Hex(kBlankCard));
        QCOMPARE(form->txtStrHex->text(), "earlier");
    }

    // The defaults on a day after 2015: tomorrow's year does not fit the card, and the
    // library refuses the card with 0 before the encoder sees a frame.
    void DefaultsAfter2015AreRefusedByTheLibrary()
    {
        Sim().PutCard(kBlankCard);
        const auto form = NewForm(QDate(2026, 12, 11));
        QCOMPARE(form->txtETime->text(), "2026/12/12 14:00");
        Open(*form);
        form->cmdwritecard->click();
        QCOMPARE(recorder_.Last(), "制作宾客卡失败，请检查写卡信息 错误代码为：0");
        QCOMPARE(WriteFrames(Sim()), 0u);
    }

    void FailedWriteShowsItsCode()
    {
        Sim().RemoveCard();
        const auto form = OpenedForm();
        form->cmdwritecard->click();
        QCOMPARE(recorder_.Last(), "制作宾客卡失败，请检查写卡信息 错误代码为：-101");
        QCOMPARE(form->txtStrHex->text(), "");
    }

    // No card data: the result 0 is the card number and the boxes take the blank buffer.
    void ReadWithoutACardShowsTheCode()
    {
        Sim().RemoveCard();
        const auto form = OpenedForm();
        form->cmdreadcard->click();
        QCOMPARE(recorder_.Last(), "卡类型： ");
        QCOMPARE(form->txtCardNo->text(), "0");
        QCOMPARE(form->txtCoID->text(), "     ");
        QCOMPARE(form->txtLockNo->text(), "      ");
    }

    void RestoreDefaultsLeavesPortAndButtons()
    {
        const auto form = OpenedForm();
        const int handle = form->Logic().PortHandle();
        for (auto* box : {form->txtCoID, form->txtCardNo, form->txtLockNo, form->txtDai, form->txtETime,
                          form->txtStrHex})
            box->setText("x");
        form->cmdreset->click();
        CompareWithDefaults(*form);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(form->Logic().PortHandle(), handle);
        QVERIFY(form->Command2->isEnabled());
        QVERIFY(form->cmdreadcard->isEnabled());
        QVERIFY(!form->cmdExit->isEnabled());
    }

    // The window's own message boxes: titled with the program's title, an OK button only,
    // an icon only on the refusals of "制宾客卡". Each box is read and closed as it opens.
    void MessageBoxesCarryTheProgramTitle()
    {
        struct Shown {
            QString title;
            QString text;
            QMessageBox::Icon icon;
            QMessageBox::StandardButtons buttons;
        };
        std::vector<Shown> shown;
        QTimer closer;
        closer.setInterval(10);
        connect(&closer, &QTimer::timeout, this, [&shown] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
                box->button(QMessageBox::Ok)->click();
            }
        });
        closer.start();

        CardemoHooks hooks = recorder_.Hooks();
        hooks.ShowMessage = nullptr; // the real boxes
        CardemoForm form(kLibraryFileName, hooks);
        form.cmdtest->click();
        Open(form);
        const int handle = form.Logic().PortHandle();
        form.txtLockNo->setText("10500");
        form.cmdwritecard->click();
        form.Options[1]->setChecked(true);
        form.Command1->click();
        form.cmdwritecard->click();
        close(handle);

        const std::vector<std::pair<QString, QMessageBox::Icon>> expected{
            {"测试结果为：2008", QMessageBox::NoIcon},
            {QString::number(handle), QMessageBox::NoIcon},
            {"请正确输入锁号", QMessageBox::Critical},
            {"-80", QMessageBox::NoIcon},
            {"请先打开串口", QMessageBox::Warning},
        };
        QCOMPARE(shown.size(), expected.size());
        for (std::size_t i = 0; i < shown.size(); ++i) {
            QCOMPARE(shown[i].text, expected[i].first);
            QCOMPARE(shown[i].icon, expected[i].second);
            QCOMPARE(shown[i].title, "Cardemo");
            QCOMPARE(shown[i].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
        QVERIFY(recorder_.messages.empty());
    }

    // Without its test hook the window ends the program itself: the event loop is left with 1.
    void MissingLibraryEndsTheProgram()
    {
        CardemoHooks hooks = recorder_.Hooks();
        hooks.EndProgram = nullptr;
        CardemoForm form("/nonexistent/libEN24_C1.so", hooks);
        QTimer::singleShot(0, form.cmdtest, &QPushButton::click);
        QTimer guard; // should the program go on running
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, this, [] { QCoreApplication::exit(-1); });
        guard.start(5000);
        QCOMPARE(QCoreApplication::exec(), 1);
        QCOMPARE(recorder_.messages.size(), 1u);
    }

    void MissingLibraryIsNamed_data()
    {
        QTest::addColumn<QString>("libraryFile");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("missing");
        QTest::newRow("no library file") << "/nonexistent/libEN24_C1.so" << "cmdtest" << "/nonexistent/libEN24_C1.so";
        QTest::newRow("library without the export") << "libc.so.6" << "Command1" << "OpenPort";
    }
    void MissingLibraryIsNamed()
    {
        QFETCH(QString, libraryFile);
        QFETCH(QString, button);
        QFETCH(QString, missing);
        CardemoForm form(libraryFile.toStdString(), recorder_.Hooks());
        form.findChild<QPushButton*>(button)->click();
        QCOMPARE(recorder_.messages.size(), 1u);
        QVERIFY2(recorder_.Last().contains(missing), qPrintable(recorder_.Last()));
        QCOMPARE(recorder_.messages.back().icon, MessageIcon::Error);
        QCOMPARE(recorder_.exitCode, 1);
        QVERIFY(!form.Command2->isEnabled());
    }
};

QTEST_MAIN(CardemoTest)
#include "CardemoTest.moc"
