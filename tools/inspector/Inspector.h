// en24, the card inspector: decodes card records for a person, reads the card
// on an encoder, and makes cards from the command line through the library.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "CardRecord.h"

namespace en24tool {

// Exit codes: one per outcome, so that scripts can tell them apart.
enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 2,          // bad command line or argument text
    kExitRefused = 10,       // the library refused an argument
    kExitMismatch = 11,      // the card read back differs from what was written
    kExitNoCardData = 12,    // the encoder answered but read no card data
    kExitOpenFailed = 20,    // -80, or the record download could not open its port
    kExitAccessDenied = 21,  // -81
    kExitCloseFailed = 22,   // -82
    kExitSetState = 23,      // -83
    kExitGetState = 24,      // -84
    kExitWriteFailed = 25,   // -85
    kExitReadFailed = 26,    // -86
    kExitNoReply = 27,       // -99
    kExitNoCard = 28,        // -101
    kExitOtherResult = 29,   // a result the library does not document
};

// Several lines naming the kind and showing the fields that kind holds.
std::string DescribeRecord(const en24::CardRecord &record);

// Runs the command line (without the program name); returns the exit code.
int RunEn24(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

} // namespace en24tool
