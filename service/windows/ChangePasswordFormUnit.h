// Changing the administrator password (stored in plain text in Option.ini).
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TSysOption;

class TChangePasswordForm : public QDialog {
    Q_OBJECT
public:
    TChangePasswordForm(TSysOption &sysOption, QWidget *owner);

    QLabel *Image1;
    QLabel *Label1;
    QLabel *Label2;
    QLineEdit *edtPswd;
    QLineEdit *edtConfirmPswd;
    QPushButton *btnOK;
    QPushButton *btnCancel;

private:
    void btnOKClick();

    TSysOption &SysOption_;
};

// Shows the change dialog owned by owner. A new password is in force at once
// and saved with the other service-wide options.
void ChangeAdminPassword(QWidget *owner, TSysOption &sysOption);
