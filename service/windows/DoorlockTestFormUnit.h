// The door lock test window: the operator drives the card encoder by hand
// through the current lock driver. A card operation takes about three
// seconds on the encoder, so it runs on a worker thread while the window
// stays responsive; it holds the card operation lock, so it never overlaps
// with a request served at the same time.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <mutex>
#include <thread>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TBaseDoorlock;
struct TServiceState;

class TDoorlockTestForm : public QDialog {
    Q_OBJECT
public:
    TDoorlockTestForm(TBaseDoorlock &doorlock, TServiceState &state, std::mutex &cardOperationLock,
                      QWidget *owner = nullptr);
    // Waits for an operation still running.
    ~TDoorlockTestForm() override;

    QPushButton *OpenPortBtn;
    QPushButton *beepBtn;
    QPushButton *ClosePortBtn;
    QLabel *Label2;
    QLineEdit *RoomBuildingCodeTxt;
    QLabel *Label3;
    QLineEdit *RoomFloorCodeTxt;
    QLabel *Label4;
    QLineEdit *RoomNoTxt;
    QLabel *Label7;
    QLineEdit *CheckInDateTimeTxt;
    QLabel *Label8;
    QLineEdit *CheckOutDateTimeTxt;
    QCheckBox *IsCopyCheckBox;
    QPushButton *WriteCardBtn;
    QLabel *Label1;
    QLineEdit *CardNoTxt;
    QPushButton *ReadCardBtn;
    QPushButton *EraseCardBtn;

    // True while a card operation runs; the window then refuses to close.
    bool Busy() const { return Busy_; }

signals:
    // A card operation has ended and its outcome is on the window.
    void OperationFinished();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void FormCreate();
    void OpenPortBtnClick();
    void beepBtnClick();
    void ClosePortBtnClick();
    void WriteCardBtnClick();
    void ReadCardBtnClick();
    void EraseCardBtnClick();

    // work runs on the worker thread under the card operation lock; then
    // done runs on the window's thread. An exception thrown by work is shown
    // in an error box instead and done is skipped.
    void RunCardOperation(std::function<void()> work, std::function<void()> done = {});
    void CardOperationEnded(const QString &error, const std::function<void()> &done);
    void SetBusy(bool busy);

    TBaseDoorlock &Doorlock_;
    TServiceState &State_;
    std::mutex &CardOperationLock_;
    std::thread Worker_;
    bool Busy_ = false;
};

// Shows the window modally, without an owner, and frees it when it closes.
void ShowDoorlockTestForm(TBaseDoorlock &doorlock, TServiceState &state,
                          std::mutex &cardOperationLock);
