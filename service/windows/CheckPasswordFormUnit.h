// The administrator password prompt: closing the main window, the door lock
// options and the password change all ask for it first.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TSysOption;

class TCheckPasswordForm : public QDialog {
    Q_OBJECT
public:
    TCheckPasswordForm(const TSysOption &sysOption, QWidget *owner);

    QLabel *Image1;
    QLabel *Label1;
    QLineEdit *edtPswd;
    QPushButton *btnOK;
    QPushButton *btnCancel;

private:
    void btnOKClick();

    const TSysOption &SysOption_;
};

// Shows the prompt owned by owner; true exactly when the operator typed the
// administrator password and confirmed it.
bool CheckAdminPassword(QWidget *owner, const TSysOption &sysOption);
