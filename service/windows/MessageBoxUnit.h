// Message boxes of the operator windows, behind one replaceable function so
// that tests can record a message instead of waiting for someone to click OK.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>
#include <string>

class QWidget;

// Shows (or, in a test, records) a box with an OK button only.
using TMessageBoxFunction = std::function<void(QWidget *parent, QMessageBox::Icon icon,
                                               const QString &caption, const QString &text)>;

// Installs the function every box goes through; an empty function restores the
// real message box. Returns the function installed before.
TMessageBoxFunction SetMessageBoxFunction(TMessageBoxFunction function);

void ShowMessageBox(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                    const QString &text);

// The password and option dialogs' boxes: caption "提示", OK only.
void ShowPromptBox(QWidget *parent, QMessageBox::Icon icon, const QString &text);

// A failure the operator must see (a file that cannot be written, a date that
// does not read): error icon, the application's title as caption.
void ShowErrorBox(QWidget *parent, const QString &text);

// A UTF-8 text of the state layer (options, exception messages) as a QString.
inline QString FromUtf8(const std::string &text) { return QString::fromStdString(text); }
