#include "MessageBoxUnit.h"

#include <QApplication>

namespace {

void RealMessageBox(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                    const QString &text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

TMessageBoxFunction &CurrentFunction()
{
    static TMessageBoxFunction function = RealMessageBox;
    return function;
}

} // namespace

TMessageBoxFunction SetMessageBoxFunction(TMessageBoxFunction function)
{
    TMessageBoxFunction previous = CurrentFunction();
    CurrentFunction() = function ? std::move(function) : TMessageBoxFunction(RealMessageBox);
    return previous;
}

void ShowMessageBox(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                    const QString &text)
{
    // Owned by the active window, as the platform's own boxes are.
    if (parent == nullptr)
        parent = QApplication::activeWindow();
    CurrentFunction()(parent, icon, caption, text);
}

void ShowPromptBox(QWidget *parent, QMessageBox::Icon icon, const QString &text)
{
    ShowMessageBox(parent, icon, QStringLiteral("提示"), text);
}

void ShowErrorBox(QWidget *parent, const QString &text)
{
    ShowMessageBox(parent, QMessageBox::Critical, QApplication::applicationDisplayName(), text);
}
