// NorvikDoorLockd: the door lock interface without windows, for servers and
// tests. Settings, database and log are beside the executable, as for the
// windowed program. Stops on SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>

#include <pthread.h>

#include "DoorlockServiceUnit.h"

int main(int argc, char **)
{
    if (argc > 1) {
        std::cerr << "NorvikDoorLockd takes no arguments; its settings are in Option.ini "
                     "beside it.\n";
        return 2;
    }
    // The signals are taken by sigwait below, so every thread started from
    // here on leaves them blocked.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    // A client that goes away while its answer is written must not end the
    // service.
    std::signal(SIGPIPE, SIG_IGN);

    const auto showLine = [](const std::string &line) { std::cout << line << std::endl; };
    try {
        TDoorlockService service(ExecutableDir());
        try {
            service.StartListener(showLine);
        } catch (const std::exception &error) {
            std::cerr << error.what() << std::endl;
            return 1;
        }
        int signal = 0;
        sigwait(&stopSignals, &signal);
        service.StopListener(showLine);
    } catch (const std::exception &error) {
        std::cerr << error.what() << std::endl;
        return 1;
    }
    return 0;
}
