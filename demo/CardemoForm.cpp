#include "CardemoForm.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace cardemo {
namespace {

constexpr int kWindowWidth = 8235;   // twips
constexpr int kWindowHeight = 7200;  // twips

QFont SongFont(double points, bool bold = false)
{
    QFont font;
    // The window's own family first; the fallback draws the same texts where it is missing.
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("WenQuanYi Zen Hei")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

void Place(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(Pixels(left), Pixels(top), Pixels(width), Pixels(height));
}

// Red for the frame captions, range hints and usage notes; every other text keeps the
// application's colour even inside a red-captioned frame.
void SetTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top, int width, int height,
                 bool red = false)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(SongFont(9));
    SetTextColour(label, red ? QColor(Qt::red) : QGuiApplication::palette().color(QPalette::WindowText));
    Place(label, left, top, width, height);
    return label;
}

QLineEdit* AddTextBox(QWidget* parent, const char* name, int left, int top, int width, int height, double points = 10.5)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setFont(SongFont(points, true));
    Place(box, left, top, width, height);
    return box;
}

// The boxes that only show values: disabled, on the background of an inactive border.
void MakeDisplayOnly(QLineEdit* box)
{
    box->setEnabled(false);
    QPalette palette = box->palette();
    const QColor inactiveBorder = QGuiApplication::palette().color(QPalette::Button);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, inactiveBorder);
    box->setPalette(palette);
}

QPushButton* AddButton(QWidget* parent, const char* name, const QString& caption, int left, int top, int width, int height)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setFont(SongFont(9));
    Place(button, left, top, width, height);
    return button;
}

QGroupBox* AddFrame(QWidget* parent, const char* name, const QString& caption, int left, int top, int width, int height)
{
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFont(SongFont(10.5));
    SetTextColour(frame, Qt::red);
    Place(frame, left, top, width, height);
    return frame;
}

} // namespace

CardemoForm::CardemoForm(std::string libraryFile, CardemoHooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      logic_(std::move(libraryFile), [&] {
          if (!hooks.ShowMessage)
              hooks.ShowMessage = [this](const QString& text, MessageIcon icon) { ShowMessageBox(text, icon); };
          if (!hooks.EndProgram)
              hooks.EndProgram = [](int exitCode) { QCoreApplication::exit(exitCode); };
          if (!hooks.Today)
              hooks.Today = [] { return QDate::currentDate(); };
          return std::move(hooks);
      }())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("M1卡Demo演示程序"));
    setFont(SongFont(9));
    setFixedSize(Pixels(kWindowWidth), Pixels(kWindowHeight));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect placed(QPoint(), size());
        placed.moveCenter(screen->availableGeometry().center());
        move(placed.topLeft());
    }
    BuildControls();

    FormState state = State();
    logic_.Start(state);
    Show(state);

    connect(Command1, &QPushButton::clicked, this, [this] { Apply(&CardemoLogic::OpenPort); });
    connect(Command2, &QPushButton::clicked, this, [this] { Apply(&CardemoLogic::ClosePort); });
    connect(cmdbuzzer, &QPushButton::clicked, this, [this] { logic_.Beep(); });
    connect(cmdtest, &QPushButton::clicked, this, [this] { logic_.Test(); });
    connect(cmdreadcard, &QPushButton::clicked, this, [this] { Apply(&CardemoLogic::ReadCard); });
    connect(cmdwritecard, &QPushButton::clicked, this, [this] { Apply(&CardemoLogic::MakeGuestCard); });
    connect(cmdreset, &QPushButton::clicked, this, [this] { Apply(&CardemoLogic::RestoreDefaults); });
    connect(cmdExit, &QPushButton::clicked, this, [this] { logic_.Exit(); });
}

void CardemoForm::BuildControls()
{
    // Port area: the option buttons and the two port buttons belong to the window and lie
    // over the frame; the hotel id belongs to the frame.
    Frame1 = AddFrame(this, "Frame1", QStringLiteral("端口操作"), 120, 120, 8055, 1335);
    constexpr std::array<int, 6> optionLefts{240, 1320, 2400, 3360, 4320, 5280};
    for (std::size_t i = 0; i < Options.size(); ++i) {
        Options[i] = new QRadioButton(QStringLiteral("COM%1").arg(i + 1), this);
        Options[i]->setObjectName(QStringLiteral("Option%1").arg(i + 1));
        Options[i]->setFont(SongFont(9));
        Place(Options[i], optionLefts[i], 360, 1215, 495);
    }
    Options[0]->setChecked(true);
    Command1 = AddButton(this, "Command1", QStringLiteral("打开端口"), 6480, 360, 1215, 375);
    Command2 = AddButton(this, "Command2", QStringLiteral("关闭端口"), 6480, 840, 1215, 375);
    AddLabel(Frame1, "Label23", QStringLiteral("酒店标识："), 240, 840, 1095, 255);
    txtCoID = AddTextBox(Frame1, "txtCoID", 1200, 840, 1575, 270);
    AddLabel(Frame1, "Label24", QStringLiteral("（0-16383）"), 3000, 840, 1575, 255, true);

    // Card area.
    Frame2 = AddFrame(this, "Frame2", QStringLiteral("卡片操作"), 120, 1560, 8055, 3735);
    AddLabel(Frame2, "Label22", QStringLiteral("发卡流水号："), 240, 360, 1215, 255);
    txtCardNo = AddTextBox(Frame2, "txtCardNo", 1440, 360, 1575, 270);
    AddLabel(Frame2, "Label2", QStringLiteral("（1-16777214）"), 3240, 360, 1575, 255, true);
    AddLabel(Frame2, "Label27", QStringLiteral("锁号："), 240, 840, 1095, 255);
    txtLockNo = AddTextBox(Frame2, "txtLockNo", 1440, 840, 1575, 270);
    AddLabel(Frame2, "Label1", QStringLiteral("客人代："), 3840, 840, 1095, 255);
    txtDai = AddTextBox(Frame2, "txtDai", 4920, 840, 855, 270);
    AddLabel(Frame2, "Label5", QStringLiteral("（0-255循环）"), 6000, 840, 1575, 255, true);
    AddLabel(Frame2, "Label28", QStringLiteral("锁号组成：栋号1位,层号2位,房间编号3位"), 240, 1200, 4935, 375, true);
    AddLabel(Frame2, "Label6", QStringLiteral("串口句柄："), 5520, 1200, 1335, 375);
    txtHandle = AddTextBox(Frame2, "txtHandle", 5520, 1680, 1935, 495, 12);
    MakeDisplayOnly(txtHandle);
    AddLabel(Frame2, "Label29", QStringLiteral("退房时间："), 240, 1800, 1095, 255);
    txtETime = AddTextBox(Frame2, "txtETime", 1200, 1800, 3495, 375);
    AddLabel(Frame2, "Label3", QStringLiteral("卡数据："), 240, 2400, 975, 255);
    txtStrHex = AddTextBox(Frame2, "txtStrHex", 1200, 2400, 6495, 375);
    MakeDisplayOnly(txtStrHex);

    // Button row, over the lower part of the card area.
    cmdtest = AddButton(this, "cmdtest", QStringLiteral("测试"), 240, 4560, 1215, 495);
    cmdbuzzer = AddButton(this, "cmdbuzzer", QStringLiteral("蜂鸣"), 1560, 4560, 1095, 495);
    cmdwritecard = AddButton(this, "cmdwritecard", QStringLiteral("制宾客卡"), 2760, 4560, 1215, 495);
    cmdreadcard = AddButton(this, "cmdreadcard", QStringLiteral("读卡"), 4080, 4560, 1095, 495);
    cmdreset = AddButton(this, "cmdreset", QStringLiteral("恢复到默认值"), 5280, 4560, 1455, 495);
    cmdExit = AddButton(this, "cmdExit", QStringLiteral("退出"), 6840, 4560, 1215, 495);

    // Usage notes.
    Frame3 = AddFrame(this, "Frame3", QStringLiteral("使用说明"), 120, 5400, 8055, 1695);
    const std::array<QString, 5> notes{
        QStringLiteral("1,选择相应的端口打开之后，才能进行发卡读卡等操作； "),
        QStringLiteral("2,按说明正确填写相应信息是能否发卡成功的关键步骤； "),
        QStringLiteral("3,客人代号，是实现后卡覆盖前卡功能的，一般默认为0即可；"),
        QStringLiteral("4,发卡流水号即卡号，是卡的唯一标识，每发一张卡，发卡流水号加1；"),
        QStringLiteral("5,“测试”为测试动态库，不涉及端口操作。"),
    };
    constexpr std::array<const char*, 5> noteNames{"Label7", "Label8", "Label9", "Label11", "Label12"};
    for (std::size_t i = 0; i < notes.size(); ++i)
        AddLabel(Frame3, noteNames[i], notes[i], 360, 360 + 240 * static_cast<int>(i), 7455, 255, true);
}

FormState CardemoForm::State() const
{
    FormState state;
    for (std::size_t i = 0; i < Options.size(); ++i)
        if (Options[i]->isChecked())
            state.portNo = static_cast<int>(i) + 1;
    state.hotelId = txtCoID->text();
    state.cardNo = txtCardNo->text();
    state.lockNo = txtLockNo->text();
    state.generation = txtDai->text();
    state.checkOut = txtETime->text();
    state.cardData = txtStrHex->text();
    state.handleText = txtHandle->text();
    state.openEnabled = Command1->isEnabled();
    state.closeEnabled = Command2->isEnabled();
    state.cardButtonsEnabled = cmdbuzzer->isEnabled();
    state.exitEnabled = cmdExit->isEnabled();
    return state;
}

void CardemoForm::Show(const FormState& state)
{
    txtCoID->setText(state.hotelId);
    txtCardNo->setText(state.cardNo);
    txtLockNo->setText(state.lockNo);
    txtDai->setText(state.generation);
    txtETime->setText(state.checkOut);
    txtStrHex->setText(state.cardData);
    txtHandle->setText(state.handleText);
    Command1->setEnabled(state.openEnabled);
    Command2->setEnabled(state.closeEnabled);
    cmdbuzzer->setEnabled(state.cardButtonsEnabled);
    cmdwritecard->setEnabled(state.cardButtonsEnabled);
    cmdreadcard->setEnabled(state.cardButtonsEnabled);
    cmdExit->setEnabled(state.exitEnabled);
}

void CardemoForm::Apply(void (CardemoLogic::*action)(FormState&))
{
    FormState state = State();
    (logic_.*action)(state);
    Show(state);
}

void CardemoForm::ShowMessageBox(const QString& text, MessageIcon icon)
{
    const QMessageBox::Icon shown = icon == MessageIcon::Warning ? QMessageBox::Warning
                                    : icon == MessageIcon::Error ? QMessageBox::Critical
                                                                 : QMessageBox::NoIcon;
    QMessageBox box(shown, kProgramTitle, text, QMessageBox::Ok, this);
    box.exec();
}

} // namespace cardemo
