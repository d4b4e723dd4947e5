#include "ClientMdb.h"

#include <cstdio>
#include <stdexcept>

#include <sqlite3.h>
#include <sys/stat.h>

#include "ClientMdbSchema.inc"

void CreateClientMdb(const std::string &path) {
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0)
        throw std::runtime_error(path + " exists already");
    sqlite3 *connection = nullptr;
    int result = sqlite3_open_v2(path.c_str(), &connection,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    char *message = nullptr;
    if (result == SQLITE_OK) {
        const std::string script = std::string("BEGIN;\n") + ClientMdbSchema + "\nCOMMIT;";
        result = sqlite3_exec(connection, script.c_str(), nullptr, nullptr, &message);
    }
    std::string failure;
    if (result != SQLITE_OK)
        failure = message != nullptr ? message : sqlite3_errstr(result);
    sqlite3_free(message);
    sqlite3_close_v2(connection);
    if (!failure.empty()) {
        std::remove(path.c_str());
        throw std::runtime_error("Cannot create " + path + ": " + failure);
    }
}
