// norvik-window-shots <folder>: shows each window of NorvikDoorLock and saves a
// picture of it as PNG into folder, for the README. Run it under a virtual X
// display (scripts/screenshots.sh). The windows run over a service in a
// temporary folder; nothing of the real installation is touched.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLinearGradient>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

#include "AboutFormUnit.h"
#include "ChangePasswordFormUnit.h"
#include "CheckPasswordFormUnit.h"
#include "DoorlockServiceUnit.h"
#include "DoorlockTestFormUnit.h"
#include "MainFormUnit.h"
#include "MessageBoxUnit.h"
#include "OptionFormUnit.h"
#include "WindowFontUnit.h"

namespace {

void Settle(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The window's picture under a plain caption bar, since the virtual display
// has no window manager to draw one.
QImage Framed(QWidget &window)
{
    const QImage inside = window.grab().toImage();
    const int caption = 26;
    QImage picture(inside.width() + 2, inside.height() + caption + 1, QImage::Format_RGB32);
    QPainter painter(&picture);
    QLinearGradient bar(0, 0, picture.width(), 0);
    bar.setColorAt(0, QColor(0x0A, 0x24, 0x6A));
    bar.setColorAt(1, QColor(0xA6, 0xCA, 0xF0));
    painter.fillRect(picture.rect(), QColor(0x0A, 0x24, 0x6A));
    painter.fillRect(QRect(1, 1, picture.width() - 2, caption - 1), bar);
    QFont font = SongTiFont();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(8, 1, picture.width() - 16, caption - 1), Qt::AlignVCenter,
                     window.windowTitle());
    painter.drawImage(1, caption, inside);
    return picture;
}

bool Save(QWidget &window, const QString &file)
{
    window.show();
    window.raise();
    window.activateWindow();
    Settle(400);
    const bool saved = Framed(window).save(file);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
    window.hide();
    return saved;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: norvik-window-shots <folder>\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QStringLiteral("/");
    // No box may wait for a click here.
    SetMessageBoxFunction([](QWidget *, QMessageBox::Icon, const QString &caption,
                             const QString &text) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    });

    QTemporaryDir folder;
    QFile options(folder.filePath(QStringLiteral("Option.ini")));
    if (!options.open(QIODevice::WriteOnly))
        return 1;
    // Any free port; the encoder's port names the simulator's usual link.
    options.write("[SysOption]\r\nDoorlockPortNo=0\r\n"
                  "[DoorlockOption]\r\nPortName=COM3\r\nHotelID=1\r\nLLock=1\r\n");
    options.close();
    TDoorlockService service(folder.path().toStdString() + "/");

    bool ok = true;
    {
        TMainForm main(service);
        ok &= Save(main, out + QStringLiteral("main-window.png"));

        TCheckPasswordForm prompt(service.State().SysOption, &main);
        prompt.edtPswd->setText(QStringLiteral("qembar"));
        ok &= Save(prompt, out + QStringLiteral("password-prompt.png"));

        TChangePasswordForm change(service.State().SysOption, &main);
        ok &= Save(change, out + QStringLiteral("change-password.png"));

        TOptionForm option(service.State().Option, nullptr, &main);
        ok &= Save(option, out + QStringLiteral("option-dialog.png"));

        TDoorlockTestForm test(*service.CurrentDoorlock(), service.State(),
                               service.CardOperationLock());
        test.CardNoTxt->setText(QStringLiteral("1235"));
        ok &= Save(test, out + QStringLiteral("test-window.png"));

        TAboutForm about(1);
        ok &= Save(about, out + QStringLiteral("about-box.png"));
    }
    return ok ? 0 : 1;
}
