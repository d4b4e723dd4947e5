#include "ChangePasswordFormUnit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <exception>

#include "MessageBoxUnit.h"
#include "WindowStyleUnit.h"
#include "SysOptionUnit.h"
#include "TextUnit.h"
#include "WindowFontUnit.h"
#include "WindowImagesUnit.h"

TChangePasswordForm::TChangePasswordForm(TSysOption &sysOption, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      SysOption_(sysOption)
{
    setObjectName(QStringLiteral("ChangePasswordForm"));
    setWindowTitle(QStringLiteral("更改管理员密码"));
    setFont(SongTiFont());
    setFixedSize(346, 163);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(28, 24, 48, 48);
    Image1->setPixmap(KeyPicture(48));

    Label1 = new QLabel(QStringLiteral("新密码："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(124, 32);
    Label1->adjustSize();

    Label2 = new QLabel(QStringLiteral("新密码确认："), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(100, 68);
    Label2->adjustSize();

    edtPswd = new QLineEdit(this);
    edtPswd->setObjectName(QStringLiteral("edtPswd"));
    edtPswd->setGeometry(176, 28, 137, 20);
    edtPswd->setEchoMode(QLineEdit::Password);
    edtPswd->setStyleSheet(kAsteriskEcho);
    Label1->setBuddy(edtPswd);

    edtConfirmPswd = new QLineEdit(this);
    edtConfirmPswd->setObjectName(QStringLiteral("edtConfirmPswd"));
    edtConfirmPswd->setGeometry(176, 64, 137, 20);
    edtConfirmPswd->setEchoMode(QLineEdit::Password);
    edtConfirmPswd->setStyleSheet(kAsteriskEcho);
    Label2->setBuddy(edtConfirmPswd);

    btnOK = new QPushButton(QStringLiteral("确定"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(154, 116, 73, 23);
    btnOK->setDefault(true);

    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(242, 116, 73, 23);
    btnCancel->setAutoDefault(false);

    setTabOrder(edtPswd, edtConfirmPswd);
    setTabOrder(edtConfirmPswd, btnOK);
    setTabOrder(btnOK, btnCancel);
    edtPswd->setFocus();

    connect(btnOK, &QPushButton::clicked, this, &TChangePasswordForm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TChangePasswordForm::btnOKClick()
{
    const std::string password(TrimBlanksAndControls(edtPswd->text().toStdString()));
    const std::string confirmation(
        TrimBlanksAndControls(edtConfirmPswd->text().toStdString()));
    if (password != confirmation) {
        ShowPromptBox(this, QMessageBox::Critical,
                      QStringLiteral("您两次输入的密码不一致，请重新输入！"));
        return;
    }
    // The new password is in force from here on, also when the file cannot
    // take it; the operator then sees why and the dialog stays open.
    SysOption_.Password = password;
    try {
        SysOption_.Save();
    } catch (const std::exception &e) {
        ShowErrorBox(this, FromUtf8(e.what()));
        return;
    }
    ShowPromptBox(this, QMessageBox::Information, QStringLiteral("管理员密码更改成功！"));
    accept();
}

void ChangeAdminPassword(QWidget *owner, TSysOption &sysOption)
{
    TChangePasswordForm form(sysOption, owner);
    form.exec();
}
