// Cardemo: drives the card encoder library by hand.
//   Cardemo                     the window
//   Cardemo --screenshot FILE   draws the window into FILE (PNG) and ends

#include "CardemoForm.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(cardemo::kProgramTitle);

    cardemo::CardemoForm form;
    form.show();

    const QStringList arguments = QApplication::arguments();
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--screenshot")); at >= 0) {
        if (at + 1 >= arguments.size()) {
            qCritical("--screenshot needs a file name");
            return 2;
        }
        const QString file = arguments[at + 1];
        // Once the window has been laid out and painted.
        QTimer::singleShot(500, &form, [&form, file] {
            QApplication::exit(form.grab().save(file, "PNG") ? 0 : 1);
        });
    }
    return QApplication::exec();
}
