#pragma once
// What Cardemo's buttons do. The window copies its controls into a FormState, calls one of
// these, and copies the state back, so every rule here runs without a window in the tests.

#include "En24Library.h"

#include <QDate>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace cardemo {

// The program's title: the title of every message box.
inline const QString kProgramTitle = QStringLiteral("Cardemo");

enum class MessageIcon { None, Warning, Error };

// What the logic needs from the outside; tests put recorders in place of the real ones.
struct CardemoHooks {
    // Shows a message with an OK button and returns when it is closed.
    std::function<void(const QString& text, MessageIcon icon)> ShowMessage;
    // Ends the program with this exit code.
    std::function<void(int exitCode)> EndProgram;
    // Today's date, from which the default check-out time is taken.
    std::function<QDate()> Today;
};

// The window's values and button states.
struct FormState {
    int portNo = 1;          // the selected option button: 1 for "COM1" to 6 for "COM6"
    QString hotelId;         // txtCoID
    QString cardNo;          // txtCardNo
    QString lockNo;          // txtLockNo
    QString generation;      // txtDai, the guest generation
    QString checkOut;        // txtETime
    QString cardData;        // txtStrHex
    QString handleText;      // txtHandle
    bool openEnabled = true;          // 打开端口
    bool closeEnabled = false;        // 关闭端口
    bool cardButtonsEnabled = false;  // 蜂鸣, 制宾客卡, 读卡
    bool exitEnabled = true;          // 退出
};

class CardemoLogic {
public:
    CardemoLogic(std::string libraryFile, CardemoHooks hooks);

    // The window opens: defaults set, only "打开端口", "测试", "恢复到默认值" and "退出" enabled.
    void Start(FormState& form);
    void RestoreDefaults(FormState& form);   // 恢复到默认值
    void OpenPort(FormState& form);          // 打开端口
    void ClosePort(FormState& form);         // 关闭端口
    void Beep();                             // 蜂鸣
    void Test();                             // 测试
    void ReadCard(FormState& form);          // 读卡
    void MakeGuestCard(FormState& form);     // 制宾客卡
    void Exit();                             // 退出: the port is left as it is

    int32_t PortHandle() const { return portHandle_; }

    // The opening baud rate of the encoder.
    static constexpr int32_t kBaudRate = 9600;

private:
    // Calls the export `name` of type Fn; when the library or the export is missing, says so
    // and ends the program, and gives nothing.
    template <class Fn, class... Args>
    std::optional<int32_t> Call(const char* name, Args... args);

    void Refuse(const QString& text);

    En24Library library_;
    CardemoHooks hooks_;
    int32_t portHandle_ = 0;
    // Set once ClosePort has closed the handle; the handle then stays on show, but closing it
    // again would close whatever descriptor the system has since given that number.
    bool portClosed_ = false;
};

} // namespace cardemo
