// Helpers shared by the window tests: message boxes recorded instead of shown,
// and a way to act on a modal dialog once its exec() has started.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "MessageBoxUnit.h"

struct TShownMessage {
    QMessageBox::Icon Icon;
    QString Caption;
    QString Text;
};

// Every message box goes into Messages while the recorder lives.
class TMessageRecorder {
public:
    TMessageRecorder()
    {
        Previous_ = SetMessageBoxFunction(
            [this](QWidget *, QMessageBox::Icon icon, const QString &caption, const QString &text) {
                Messages.push_back({icon, caption, text});
                if (OnMessage)
                    OnMessage();
            });
    }
    ~TMessageRecorder() { SetMessageBoxFunction(Previous_); }
    TMessageRecorder(const TMessageRecorder &) = delete;
    TMessageRecorder &operator=(const TMessageRecorder &) = delete;

    std::vector<TShownMessage> Messages;
    std::function<void()> OnMessage; // runs inside the "box", e.g. to act on the dialog below it

private:
    TMessageBoxFunction Previous_;
};

// Started in a fixture's init() and finished in its cleanup(): a box that the
// test did not ask for is recorded and fails the test, instead of waiting for
// a click that never comes. A test that expects boxes records them itself.
class TUnexpectedMessages {
public:
    void Start() { Recorder_ = std::make_unique<TMessageRecorder>(); }
    // The texts of the boxes shown since Start, one per line; empty when none.
    QString Finish()
    {
        QStringList texts;
        if (Recorder_)
            for (const TShownMessage &message : Recorder_->Messages)
                texts << message.Caption + QStringLiteral(": ") + message.Text;
        Recorder_.reset();
        return texts.join(QLatin1Char('\n'));
    }

private:
    std::unique_ptr<TMessageRecorder> Recorder_;
};

// The fixture's cleanup() check: fails the test when a box nobody expected
// was shown.
#define VERIFY_NO_UNEXPECTED_MESSAGES(unexpected)                                                  \
    do {                                                                                           \
        const QString shown_ = (unexpected).Finish();                                              \
        QVERIFY2(shown_.isEmpty(), qPrintable(QStringLiteral("unexpected message box: ") + shown_)); \
    } while (false)

// The platform's own box for the time this lives, also under TUnexpectedMessages.
class TRealMessageBoxes {
public:
    TRealMessageBoxes() : Previous_(SetMessageBoxFunction({})) {}
    ~TRealMessageBoxes() { SetMessageBoxFunction(Previous_); }
    TRealMessageBoxes(const TRealMessageBoxes &) = delete;
    TRealMessageBoxes &operator=(const TRealMessageBoxes &) = delete;

private:
    TMessageBoxFunction Previous_;
};

// Runs action on the first modal dialog of type Form that shows up (polling
// the event loop); gives up after five seconds so a test fails instead of hanging.
template <class Form>
void WhenModal(std::function<void(Form *)> action)
{
    auto *timer = new QTimer;
    auto *clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action]() {
        auto *form = qobject_cast<Form *>(QApplication::activeModalWidget());
        if (form == nullptr && clock->elapsed() < 5000)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (form != nullptr)
            action(form);
        else if (auto *other = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            other->reject();
    });
    timer->start(10);
}

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

// An Option.ini that cannot be written, also for root (who ignores file
// modes): a directory stands where the file should be.
inline void MakeUnwritable(const QString &optionFile) { QDir().mkpath(optionFile); }

// What a dialog test over a real Option.ini keeps: the file in a temporary
// folder that lasts as long as the test object, and the watch on message
// boxes. The test's init() does QVERIFY(StartWithoutOptionFile()) and its
// cleanup() VERIFY_NO_UNEXPECTED_MESSAGES(Unexpected_).
class TOptionFileFixture {
protected:
    QString OptionFile() const { return Dir_.filePath(QStringLiteral("Option.ini")); }

    // Takes away what the test before left (the file, or the directory
    // MakeUnwritable put there) and starts watching for boxes; false when
    // there is no folder.
    bool StartWithoutOptionFile()
    {
        if (!Dir_.isValid())
            return false;
        if (QFileInfo(OptionFile()).isDir())
            QDir(OptionFile()).removeRecursively();
        else
            QFile::remove(OptionFile());
        Unexpected_.Start();
        return true;
    }

    TUnexpectedMessages Unexpected_;

private:
    QTemporaryDir Dir_;
};

inline QByteArray ReadFileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The widget that Tab moves to from widget: the next in the focus chain that
// takes focus by Tab itself (a combo box's line edit goes with its box).
inline QWidget *NextTabStop(QWidget *widget)
{
    QWidget *next = widget->nextInFocusChain();
    while (next != widget && (!(next->focusPolicy() & Qt::TabFocus) || next->focusProxy() != nullptr))
        next = next->nextInFocusChain();
    return next;
}

// One control of a window as laid out: object name, position (left -1: placed
// freely), size (width 0: sized by its text) and text ("text" property, where
// the control has one).
struct TControlLayout {
    const char *Name;
    int Left, Top, Width, Height;
    QString Text;
};

inline void VerifyControls(const QWidget &form, const std::vector<TControlLayout> &controls)
{
    for (const TControlLayout &expected : controls) {
        const auto *control = form.findChild<QWidget *>(QLatin1String(expected.Name));
        QVERIFY2(control != nullptr, expected.Name);
        const QString where = QLatin1String(expected.Name) + QStringLiteral(": ");
        if (expected.Left >= 0)
            QVERIFY2(control->pos() == QPoint(expected.Left, expected.Top),
                     qPrintable(where + QStringLiteral("at %1,%2").arg(control->x()).arg(control->y())));
        if (expected.Width > 0)
            QVERIFY2(control->size() == QSize(expected.Width, expected.Height),
                     qPrintable(where + QStringLiteral("%1 by %2").arg(control->width()).arg(control->height())));
        const QVariant text = control->property("text");
        if (text.isValid())
            QVERIFY2(text.toString() == expected.Text,
                     qPrintable(where + QStringLiteral("\"%1\"").arg(text.toString())));
    }
}
