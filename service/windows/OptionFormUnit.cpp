#include "OptionFormUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <exception>

#include "MessageBoxUnit.h"
#include "OptionUnit.h"
#include "WindowFontUnit.h"

namespace {

QLabel *FixedLabel(const QString &caption, const char *name, int left, int top, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(left, top, 65, 13);
    return label;
}

QLineEdit *PlainEdit(const char *name, int left, int top, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(left, top, 145, 21);
    return edit;
}

QPushButton *Button(const QString &caption, const char *name, int left, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(left, 200, 75, 25);
    // Enter does not press either button.
    button->setAutoDefault(false);
    return button;
}

} // namespace

TOptionForm::TOptionForm(TOption &option, std::mutex *cardOperationLock, QWidget *owner)
    : QDialog(owner), Option_(option), CardOperationLock_(cardOperationLock)
{
    setObjectName(QStringLiteral("OptionForm"));
    setWindowTitle(QStringLiteral("修改门锁参数"));
    setLayoutDirection(Qt::LeftToRight);
    setFont(WindowFont(QStringLiteral("MS Sans Serif"), 8));
    // 388 by 308 with the window's frame and caption around it.
    resize(380, 281);

    Label1 = FixedLabel(QStringLiteral("设置端口  "), "Label1", 64, 28, this);
    Label2 = FixedLabel(QStringLiteral("系统密码"), "Label2", 64, 66, this);
    Label3 = FixedLabel(QStringLiteral("酒店标识"), "Label3", 64, 102, this);

    PortNameCmb = new QComboBox(this);
    PortNameCmb->setObjectName(QStringLiteral("PortNameCmb"));
    PortNameCmb->setGeometry(168, 28, 145, 21);
    PortNameCmb->setEditable(true);
    PortNameCmb->setInsertPolicy(QComboBox::NoInsert);
    // The text stays as typed: without this, Enter would turn "com5" into the
    // list's "COM5".
    PortNameCmb->completer()->setCaseSensitivity(Qt::CaseSensitive);
    PortNameCmb->addItems({QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"),
                           QStringLiteral("COM4"), QStringLiteral("COM5"), QStringLiteral("COM6"),
                           QStringLiteral("COM7")});
    PortNameCmb->setCurrentIndex(-1);
    PortNameCmb->setEditText(QStringLiteral("COM1"));

    OKBtn = Button(QStringLiteral("修改"), "OKBtn", 88, this);
    CancelBtn = Button(QStringLiteral("取消"), "CancelBtn", 210, this);
    PasswordEdit = PlainEdit("PasswordEdit", 168, 66, this);
    HotelIDEdit = PlainEdit("HotelIDEdit", 168, 100, this);

    LLockCheckBox = new QCheckBox(QStringLiteral("允许开反锁"), this);
    LLockCheckBox->setObjectName(QStringLiteral("LLockCheckBox"));
    LLockCheckBox->setGeometry(168, 152, 97, 17);

    setTabOrder(PortNameCmb, OKBtn);
    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, PasswordEdit);
    setTabOrder(PasswordEdit, HotelIDEdit);
    setTabOrder(HotelIDEdit, LLockCheckBox);
    PortNameCmb->setFocus();

    connect(OKBtn, &QPushButton::clicked, this, &TOptionForm::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TOptionForm::CancelBtnClick);

    FormCreate();
}

void TOptionForm::FormCreate()
{
    // A port outside the list leaves the box at "COM1" with nothing selected.
    const int index = PortNameCmb->findText(FromUtf8(Option_.PortName), Qt::MatchFixedString);
    if (index >= 0)
        PortNameCmb->setCurrentIndex(index);
    PasswordEdit->setText(FromUtf8(Option_.Password));
    HotelIDEdit->setText(FromUtf8(Option_.HotelID));
    LLockCheckBox->setChecked(Option_.LLock);
}

void TOptionForm::OKBtnClick()
{
    try {
        std::unique_lock<std::mutex> guard;
        if (CardOperationLock_ != nullptr)
            guard = std::unique_lock<std::mutex>(*CardOperationLock_);
        // Stored as typed: no trimming, no check.
        Option_.PortName = PortNameCmb->currentText().toStdString();
        Option_.Password = PasswordEdit->text().toStdString();
        Option_.HotelID = HotelIDEdit->text().toStdString();
        Option_.LLock = LLockCheckBox->isChecked();
        Option_.Save();
    } catch (const std::exception &e) {
        // "Unable to write to <path>": the values stay in force, the dialog open.
        ShowErrorBox(this, FromUtf8(e.what()));
        return;
    }
    ShowPromptBox(this, QMessageBox::Information, QStringLiteral("参数已经发生变化,请重新启动程序"));
    accept();
}

void TOptionForm::CancelBtnClick()
{
    reject();
}

void TOptionForm::keyPressEvent(QKeyEvent *event)
{
    // Esc is no cancel button here; only 取消 and the close button leave.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ShowOptionForm(QWidget *owner, TOption &option, std::mutex *cardOperationLock)
{
    TOptionForm form(option, cardOperationLock, owner);
    form.exec();
}
