#include "AboutFormUnit.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "InterfaceModeUnit.h"
#include "WindowFontUnit.h"
#include "WindowImagesUnit.h"

TAboutForm::TAboutForm(int interfaceMode, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("关于..."));
    setFont(SongTiFont());
    setFixedSize(413, 262);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(16, 16, 64, 64);
    Image1->setPixmap(LockCardPicture(64));

    auto line = [this](const char *name, int top) {
        auto *label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setGeometry(96, top, 300, 18);
        return label;
    };
    lblAppTitle = line("lblAppTitle", 16);
    QFont titleFont = font();
    titleFont.setBold(true);
    lblAppTitle->setFont(titleFont);
    lblVersion = line("lblVersion", 40);
    lblDescription = line("lblDescription", 64);
    lblCopyright = line("lblCopyright", 88);

    mmo = new QPlainTextEdit(this);
    mmo->setObjectName(QStringLiteral("mmo"));
    mmo->setGeometry(96, 116, 300, 96);
    mmo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmo->setEnabled(false);

    btnOK = new QPushButton(QStringLiteral("确定(&O)"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(169, 226, 75, 25);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate(interfaceMode);
}

void TAboutForm::FormCreate(int interfaceMode)
{
    const QString title = InterfaceTitle(interfaceMode);
    if (!title.isEmpty()) {
        setWindowTitle(QStringLiteral("关于 ") + title);
        lblAppTitle->setText(title);
    }
    lblVersion->setText(QStringLiteral("版本 1.0.0.0"));
    lblDescription->setText(QStringLiteral("酒店管理系统的门锁发卡接口服务"));
    lblCopyright->setText(QStringLiteral("在 TCP 端口上为前台系统写卡、读卡、销卡"));
}

QString InterfaceTitle(int interfaceMode)
{
    switch (interfaceMode) {
    case DoorlockInterfaceMode: return QStringLiteral("Kelvane门锁接口");
    case PoliceInterfaceMode: return QStringLiteral("Kelvane公安接口");
    case MemberInterfaceMode: return QStringLiteral("Kelvane会员卡接口");
    default: return QString();
    }
}

void ShowAboutBox(int interfaceMode)
{
    TAboutForm form(interfaceMode);
    form.exec();
}
