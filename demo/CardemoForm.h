#pragma once
// Cardemo's window. It only holds the controls and wires each button to CardemoLogic.

#include "CardemoLogic.h"

#include <QWidget>

#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace cardemo {

class CardemoForm : public QWidget {
    Q_OBJECT
public:
    // hooks.ShowMessage and hooks.EndProgram may be left empty: the form then shows message
    // boxes titled kProgramTitle and ends the program by leaving the event loop.
    explicit CardemoForm(std::string libraryFile = kLibraryFileName, CardemoHooks hooks = {},
                         QWidget* parent = nullptr);

    CardemoLogic& Logic() { return logic_; }

    // The controls, by their names in the form's design.
    QGroupBox* Frame1;
    QGroupBox* Frame2;
    QGroupBox* Frame3;
    std::array<QRadioButton*, 6> Options;  // Option1 to Option6
    QPushButton* Command1;      // 打开端口
    QPushButton* Command2;      // 关闭端口
    QLineEdit* txtCoID;
    QLineEdit* txtCardNo;
    QLineEdit* txtLockNo;
    QLineEdit* txtDai;
    QLineEdit* txtHandle;
    QLineEdit* txtETime;
    QLineEdit* txtStrHex;
    QPushButton* cmdtest;
    QPushButton* cmdbuzzer;
    QPushButton* cmdwritecard;
    QPushButton* cmdreadcard;
    QPushButton* cmdreset;
    QPushButton* cmdExit;

private:
    void BuildControls();
    FormState State() const;
    void Show(const FormState& state);
    // Runs one button's logic on the window's values.
    void Apply(void (CardemoLogic::*action)(FormState&));
    void ShowMessageBox(const QString& text, MessageIcon icon);

    CardemoLogic logic_;
};

// Window sizes and places are in twips, 15 to the pixel.
constexpr int Pixels(int twips)
{
    return twips / 15;
}

} // namespace cardemo
