#include "CheckPasswordFormUnit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "MessageBoxUnit.h"
#include "WindowStyleUnit.h"
#include "SysOptionUnit.h"
#include "TextUnit.h"
#include "WindowFontUnit.h"
#include "WindowImagesUnit.h"

TCheckPasswordForm::TCheckPasswordForm(const TSysOption &sysOption, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      SysOption_(sysOption)
{
    setObjectName(QStringLiteral("CheckPasswordForm"));
    setWindowTitle(QStringLiteral("请输入管理员密码"));
    setFont(SongTiFont());
    setFixedSize(306, 140);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(28, 28, 32, 32);
    Image1->setPixmap(KeyPicture(32));

    Label1 = new QLabel(QStringLiteral("密码："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(88, 40);
    Label1->adjustSize();

    edtPswd = new QLineEdit(this);
    edtPswd->setObjectName(QStringLiteral("edtPswd"));
    edtPswd->setGeometry(128, 36, 153, 20);
    edtPswd->setEchoMode(QLineEdit::Password);
    edtPswd->setStyleSheet(kAsteriskEcho);
    Label1->setBuddy(edtPswd);

    btnOK = new QPushButton(QStringLiteral("确定"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(120, 96, 73, 23);
    btnOK->setDefault(true);

    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(208, 96, 73, 23);
    btnCancel->setAutoDefault(false);

    setTabOrder(edtPswd, btnOK);
    setTabOrder(btnOK, btnCancel);
    edtPswd->setFocus();

    connect(btnOK, &QPushButton::clicked, this, &TCheckPasswordForm::btnOKClick);
    // Esc and the close button end the dialog the same way (QDialog::reject).
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TCheckPasswordForm::btnOKClick()
{
    const std::string typed(TrimBlanksAndControls(edtPswd->text().toStdString()));
    if (typed == SysOption_.Password) {
        accept();
        return;
    }
    ShowPromptBox(this, QMessageBox::Critical, QStringLiteral("密码错误 ！"));
    edtPswd->setFocus();
}

bool CheckAdminPassword(QWidget *owner, const TSysOption &sysOption)
{
    TCheckPasswordForm form(sysOption, owner);
    return form.exec() == QDialog::Accepted;
}
