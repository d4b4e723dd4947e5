// The administrator password prompt: closing the main window, the door lock
// options and the password change all ask for it first.
#pragma once

#include <QDialog>
#include <string>
#include <string_view>

class QLabel;
class QLineEdit;
class QPushButton;
class TSysOption;

// The text without leading and trailing characters up to 32 (blanks and
// control characters). Multi-byte UTF-8 characters never contain such bytes.
std::string TrimBlanksAndControls(std::string_view text);

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
