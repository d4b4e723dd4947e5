// Making a fresh Client.mdb from Client.sql, for the build, the install step
// and tests. The service itself never creates the database.
#pragma once

#include <string>

// The schema, as in Client.sql.
extern const char *const ClientMdbSchema;

// Creates the database file at path with both tables. Throws
// std::runtime_error when the file exists already or cannot be made.
void CreateClientMdb(const std::string &path);
