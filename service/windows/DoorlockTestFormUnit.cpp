#include "DoorlockTestFormUnit.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <exception>
#include <memory>

#include "BaseDoorlockUnit.h"
#include "DateTimeUnit.h"
#include "GuestCardUnit.h"
#include "MessageBoxUnit.h"
#include "ServiceStateUnit.h"
#include "WindowFontUnit.h"

namespace {

constexpr const char *kGuestName = "Test";

QPushButton *Button(const QString &caption, const char *name, int left, int top, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(left, top, 90, 25);
    button->setAutoDefault(false);
    return button;
}

QLabel *Label(const QString &caption, const char *name, int left, int top, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->move(left, top + 4);
    label->adjustSize();
    return label;
}

QLineEdit *Edit(const QString &text, const char *name, int left, int top, int width,
                QWidget *parent)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(left, top, width, 21);
    return edit;
}

void Separator(int top, QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(16, top, 567, 2);
}

} // namespace

TDoorlockTestForm::TDoorlockTestForm(TBaseDoorlock &doorlock, TServiceState &state,
                                     std::mutex &cardOperationLock, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      Doorlock_(doorlock), State_(state), CardOperationLock_(cardOperationLock)
{
    setObjectName(QStringLiteral("DoorlockTestForm"));
    setWindowTitle(QStringLiteral("测试"));
    setFont(SongTiFont());
    setFixedSize(599, 394);

    OpenPortBtn = Button(QStringLiteral("打开串口"), "OpenPortBtn", 24, 24, this);
    beepBtn = Button(QStringLiteral("Beep"), "beepBtn", 130, 24, this);
    ClosePortBtn = Button(QStringLiteral("关闭串口"), "ClosePortBtn", 236, 24, this);
    Separator(68, this);

    Label2 = Label(QStringLiteral("楼号:"), "Label2", 24, 92, this);
    RoomBuildingCodeTxt = Edit(QStringLiteral("00"), "RoomBuildingCodeTxt", 64, 92, 80, this);
    Label3 = Label(QStringLiteral("楼层:"), "Label3", 168, 92, this);
    RoomFloorCodeTxt = Edit(QStringLiteral("01"), "RoomFloorCodeTxt", 208, 92, 80, this);
    Label4 = Label(QStringLiteral("房号:"), "Label4", 312, 92, this);
    RoomNoTxt = Edit(QStringLiteral("01"), "RoomNoTxt", 352, 92, 80, this);

    Label7 = Label(QStringLiteral("起始时间："), "Label7", 24, 132, this);
    CheckInDateTimeTxt = Edit(QString(), "CheckInDateTimeTxt", 96, 132, 160, this);
    Label8 = Label(QStringLiteral("到"), "Label8", 272, 132, this);
    CheckOutDateTimeTxt = Edit(QString(), "CheckOutDateTimeTxt", 296, 132, 160, this);

    IsCopyCheckBox = new QCheckBox(QStringLiteral("复制"), this);
    IsCopyCheckBox->setObjectName(QStringLiteral("IsCopyCheckBox"));
    IsCopyCheckBox->setGeometry(24, 176, 80, 21);
    WriteCardBtn = Button(QStringLiteral("写卡"), "WriteCardBtn", 130, 174, this);
    Separator(228, this);

    Label1 = Label(QStringLiteral("卡号"), "Label1", 24, 252, this);
    CardNoTxt = Edit(QString(), "CardNoTxt", 64, 252, 160, this);
    ReadCardBtn = Button(QStringLiteral("读卡"), "ReadCardBtn", 24, 300, this);
    EraseCardBtn = Button(QStringLiteral("销卡"), "EraseCardBtn", 130, 300, this);

    const QList<QWidget *> tabOrder = {OpenPortBtn,        ClosePortBtn,       CardNoTxt,
                                       RoomNoTxt,          RoomFloorCodeTxt,   RoomBuildingCodeTxt,
                                       ReadCardBtn,        WriteCardBtn,       EraseCardBtn,
                                       CheckInDateTimeTxt, CheckOutDateTimeTxt, beepBtn,
                                       IsCopyCheckBox};
    for (int i = 0; i + 1 < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i], tabOrder[i + 1]);
    OpenPortBtn->setFocus();

    connect(OpenPortBtn, &QPushButton::clicked, this, &TDoorlockTestForm::OpenPortBtnClick);
    connect(beepBtn, &QPushButton::clicked, this, &TDoorlockTestForm::beepBtnClick);
    connect(ClosePortBtn, &QPushButton::clicked, this, &TDoorlockTestForm::ClosePortBtnClick);
    connect(WriteCardBtn, &QPushButton::clicked, this, &TDoorlockTestForm::WriteCardBtnClick);
    connect(ReadCardBtn, &QPushButton::clicked, this, &TDoorlockTestForm::ReadCardBtnClick);
    connect(EraseCardBtn, &QPushButton::clicked, this, &TDoorlockTestForm::EraseCardBtnClick);

    FormCreate();
}

TDoorlockTestForm::~TDoorlockTestForm()
{
    if (Worker_.joinable())
        Worker_.join();
    if (Busy_)
        QApplication::restoreOverrideCursor();
}

void TDoorlockTestForm::FormCreate()
{
    const TDateTime now = Now();
    CheckInDateTimeTxt->setText(
        FromUtf8(FormatDateTime("yyyy-mm-dd hh:nn:ss", IncMinute(now, -60))));
    CheckOutDateTimeTxt->setText(
        FromUtf8(FormatDateTime("yyyy-mm-dd hh:nn:ss", IncMinute(now, 2 * 24 * 60))));
}

void TDoorlockTestForm::OpenPortBtnClick()
{
    RunCardOperation([this] { Doorlock_.OpenDevice(); });
}

void TDoorlockTestForm::beepBtnClick()
{
    RunCardOperation([this] { Doorlock_.Beep(); });
}

void TDoorlockTestForm::ClosePortBtnClick()
{
    RunCardOperation([this] { Doorlock_.CloseDevice(); });
}

void TDoorlockTestForm::EraseCardBtnClick()
{
    RunCardOperation([this] { Doorlock_.EraseCard(); });
}

void TDoorlockTestForm::ReadCardBtnClick()
{
    auto cardNo = std::make_shared<int64_t>(0);
    RunCardOperation([this, cardNo] { Doorlock_.ReadCard(*cardNo); },
                     // The card number, or the library's failure code.
                     [this, cardNo] { CardNoTxt->setText(QString::number(*cardNo)); });
}

void TDoorlockTestForm::WriteCardBtnClick()
{
    TGuestCardOrder order;
    order.BuildingCode = RoomBuildingCodeTxt->text().toStdString();
    order.FloorCode = RoomFloorCodeTxt->text().toStdString();
    order.RoomNo = RoomNoTxt->text().toStdString();
    order.GuestName = kGuestName;
    order.IsCopy = IsCopyCheckBox->isChecked();
    // Taken as typed: no DelayMinutes or DelayMinutes2 here.
    try {
        order.CheckInTime = StrToDateTime(CheckInDateTimeTxt->text().toStdString());
        order.CheckOutTime = StrToDateTime(CheckOutDateTimeTxt->text().toStdString());
    } catch (const std::exception &e) {
        ShowErrorBox(this, FromUtf8(e.what())); // nothing written, nothing recorded
        return;
    }
    RunCardOperation([order, this] {
        int64_t cardNo = 0;
        IssueGuestCard(State_, &Doorlock_, order, cardNo);
    });
}

void TDoorlockTestForm::RunCardOperation(std::function<void()> work, std::function<void()> done)
{
    if (Busy_)
        return;
    if (Worker_.joinable())
        Worker_.join();
    SetBusy(true);
    Worker_ = std::thread([this, work = std::move(work), done = std::move(done)] {
        QString error;
        try {
            std::lock_guard<std::mutex> lock(CardOperationLock_);
            work();
        } catch (const std::exception &e) {
            error = FromUtf8(e.what());
        } catch (...) {
            error = QStringLiteral("Unknown failure in the lock driver");
        }
        // The window waits for this thread before it goes away, so it is
        // still there when the queued call runs.
        QMetaObject::invokeMethod(
            this, [this, error, done] { CardOperationEnded(error, done); }, Qt::QueuedConnection);
    });
}

void TDoorlockTestForm::CardOperationEnded(const QString &error, const std::function<void()> &done)
{
    Worker_.join();
    SetBusy(false);
    if (!error.isEmpty())
        ShowErrorBox(this, error);
    else if (done)
        done();
    emit OperationFinished();
}

void TDoorlockTestForm::SetBusy(bool busy)
{
    Busy_ = busy;
    for (QPushButton *button :
         {OpenPortBtn, beepBtn, ClosePortBtn, WriteCardBtn, ReadCardBtn, EraseCardBtn})
        button->setEnabled(!busy);
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TDoorlockTestForm::closeEvent(QCloseEvent *event)
{
    // A card on the encoder is being written: the window waits for it.
    if (Busy_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TDoorlockTestForm::reject()
{
    if (!Busy_)
        QDialog::reject();
}

void ShowDoorlockTestForm(TBaseDoorlock &doorlock, TServiceState &state,
                          std::mutex &cardOperationLock)
{
    TDoorlockTestForm form(doorlock, state, cardOperationLock);
    form.exec();
}
