#pragma once

#include <filesystem>
#include <string>
#include <vector>

// A private PostgreSQL server for a benchmark, in a folder of its own: the
// databases a benchmark measures on (the CRM store, copied in by the
// program's own tools, or a reports database copied from a SQLite one),
// each run's fresh copy of one made from it as a template, and the data
// source QuorviaReports on one of them through psqlODBC.
namespace bench {

class PostgresServer {
 public:
  // Starts a server in a new folder of its own (tests/postgres/server.sh);
  // fails when it cannot.
  PostgresServer();
  // Stops the server and removes its folder.
  ~PostgresServer();
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  // Makes the database `name` with the tables and rows of the SQLite
  // database `sqlite_path`, as the reports database's own CREATE TABLE
  // statements make them (every name double-quoted).
  void CopyFromSqlite(const std::filesystem::path& sqlite_path, const std::string& name) const;
  // Makes the empty database `name` anew.
  void NewDatabase(const std::string& name) const;
  // Drops the database `name` where it is there.
  void DropDatabase(const std::string& name) const;
  // Makes the database `copy` anew as a copy of `from`, which no session
  // may have open.
  void CopyDatabase(const std::string& from, const std::string& copy) const;
  // Where `database` is, in libpq's key=value words: what the programs take
  // as a store location.
  std::string Location(const std::string& database) const;
  // The first column of the rows `query` yields on `database`, one a line.
  std::string Query(const std::string& database, const std::string& query) const;
  // Writes odbcinst.ini and odbc.ini into `folder`, their QuorviaReports on
  // `database` through psqlODBC.
  void WriteDataSource(const std::filesystem::path& folder, const std::string& database) const;
  // The server's settings that bear on a benchmark's figures.
  std::string Settings() const;

 private:
  std::string Psql(const std::string& database, const std::vector<std::string>& args) const;

  // Below the system's temporary folder, since the server's own user must
  // pass through it and its socket's path must be short; the server's
  // socket and data are in folder_ / "server".
  std::filesystem::path folder_;
};

}  // namespace bench
