// NorvikDoorLock: the door lock interface with its main window. Settings,
// database and log are beside the executable; the window's life is the
// program's life.
#include <QApplication>
#include <csignal>
#include <exception>

#include "DoorlockServiceUnit.h"
#include "MainFormUnit.h"
#include "MessageBoxUnit.h"

int main(int argc, char **argv)
{
    // A client that goes away while its answer is written must not end the
    // service.
    std::signal(SIGPIPE, SIG_IGN);
    QApplication application(argc, argv);
    try {
        // Log, options, database, lock driver, interface mode 1.
        TDoorlockService service(ExecutableDir());
        return RunInterface(application, service);
    } catch (const std::exception &e) {
        ShowErrorBox(nullptr, FromUtf8(e.what()));
        return 1;
    }
}
