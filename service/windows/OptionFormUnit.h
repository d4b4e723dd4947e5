// The door lock option dialog: encoder port, door lock password, hotel id and
// the LLock flag, edited in the door lock options and saved to Option.ini.
#pragma once

#include <QDialog>
#include <mutex>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TOption;

class TOptionForm : public QDialog {
    Q_OBJECT
public:
    // cardOperationLock, when given, is held while the confirmed values are
    // copied into option and saved, so that a card being written by a request
    // never sees half of them.
    TOptionForm(TOption &option, std::mutex *cardOperationLock, QWidget *owner);

    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QComboBox *PortNameCmb;
    QPushButton *OKBtn;
    QPushButton *CancelBtn;
    QLineEdit *PasswordEdit;
    QLineEdit *HotelIDEdit;
    QCheckBox *LLockCheckBox;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormCreate();
    void OKBtnClick();
    void CancelBtnClick();

    TOption &Option_;
    std::mutex *CardOperationLock_;
};

// Shows the dialog modally over owner (may be null) and frees it.
void ShowOptionForm(QWidget *owner, TOption &option, std::mutex *cardOperationLock);
