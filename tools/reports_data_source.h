#pragma once

#include <string>
#include <vector>

namespace storetool {

// The folders where the SQLite ODBC driver (libsqlite3odbc.so) may be
// installed, the system's own library folder first.
std::vector<std::string> SqliteDriverFolders();

// The path of libsqlite3odbc.so in the first of `folders` that holds it.
// Throws std::runtime_error naming the folders and the Debian package
// libsqliteodbc when none does.
std::string FindSqliteDriver(const std::vector<std::string>& folders);

// Writes into `folder`, for use with ODBCSYSINI, an odbcinst.ini that
// registers the driver "SQLite3" at `driver_path` and an odbc.ini with the
// data source QuorviaReports on the SQLite file `database`, which must
// exist (a missing file is an error when connecting, never a new database).
// Both files are replaced whole. Throws std::runtime_error naming the file.
void WriteSystemIni(const std::string& folder, const std::string& database, const std::string& driver_path);

// Makes QuorviaReports a user data source (~/.odbc.ini, or $ODBCINI) on the
// SQLite file `database` through unixODBC's odbcinst program, first
// registering the driver "SQLite3" when odbcinst does not know it. Throws
// std::runtime_error saying which step failed.
void InstallUserDataSource(const std::string& database);

}  // namespace storetool
