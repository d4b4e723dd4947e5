// The service's local state, created in start-up order (log, door lock
// options, service-wide options, record database) and freed in reverse.
#pragma once

#include <string>

#include "DoorlockRecordManagerUnit.h"
#include "LogFileUnit.h"
#include "OptionUnit.h"
#include "SysOptionUnit.h"

// The running executable's directory, with its trailing '/'.
std::string ExecutableDir();

struct TServiceState {
    // dir: the folder of Option.ini, Client.mdb and the log, ending in '/'.
    // The log is named after today; both option objects are loaded.
    explicit TServiceState(const std::string &dir);

    TLogFile LogFile;
    TOption Option;
    TSysOption SysOption;
    TDoorlockRecordManager DoorlockRecordManager;
};
