// The about box of the interface service.
#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    // interfaceMode: 1 door lock, 2 police, 3 member card; picks caption and title.
    explicit TAboutForm(int interfaceMode, QWidget *owner = nullptr);

    QLabel *Image1;
    QLabel *lblAppTitle;
    QLabel *lblVersion;
    QLabel *lblDescription;
    QLabel *lblCopyright;
    QPlainTextEdit *mmo;
    QPushButton *btnOK;

private:
    void FormCreate(int interfaceMode);
};

// Shows the about box modally, without an owner, and frees it.
void ShowAboutBox(int interfaceMode);

// The title of an interface mode ("Kelvane门锁接口" for 1); empty for no mode.
QString InterfaceTitle(int interfaceMode);
