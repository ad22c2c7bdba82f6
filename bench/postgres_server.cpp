#include "bench/postgres_server.h"

#include <glob.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "bench/bench_support.h"
#include "host/store/database.h"
#include "reports/update_statement.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

using store::Database;
using store::Statement;

constexpr char kServerScript[] = QUORVIA_SOURCE_DIR "/tests/postgres/server.sh";
constexpr char kPsql[] = "/usr/bin/psql";

// psqlODBC's driver, where Debian puts it for this machine's architecture.
std::string DriverPath() {
  glob_t found{};
  const bool any = glob("/usr/lib/*/odbc/psqlodbcw.so", 0, nullptr, &found) == 0 && found.gl_pathc > 0;
  std::string path = any ? found.gl_pathv[0] : "";
  globfree(&found);
  if (!any) Fail("no psqlODBC driver psqlodbcw.so in /usr/lib/*/odbc: install the Debian package odbc-postgresql");
  return path;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string DoubleQuoted(const std::string& name) { return reports::QuotedName(name, "\""); }

// A field as COPY's text format writes it.
void AppendCopyField(std::string& line, const Statement& rows, int column) {
  if (rows.IsNull(column)) {
    line.append("\\N");
    return;
  }
  for (const char c : rows.TextView(column)) {
    switch (c) {
      case '\\': line.append("\\\\"); break;
      case '\t': line.append("\\t"); break;
      case '\n': line.append("\\n"); break;
      case '\r': line.append("\\r"); break;
      default: line.push_back(c);
    }
  }
}

// The table's CREATE TABLE statement and its rows as a COPY, into `script`.
void WriteTable(const Database& db, const std::string& name, const std::string& create, std::ostream& script) {
  Statement columns(db, "SELECT name FROM pragma_table_info(?1) ORDER BY cid");
  columns.Bind(1, name);
  std::string list;
  while (columns.Step()) list.append(list.empty() ? "" : ", ").append(DoubleQuoted(columns.Text(0)));
  script << create << ";\nCOPY " << DoubleQuoted(name) << " (" << list << ") FROM stdin;\n";
  Statement rows(db, ("SELECT " + list + " FROM " + DoubleQuoted(name)).c_str());
  const int count = static_cast<int>(std::count(list.begin(), list.end(), ',')) + 1;
  std::string line;
  while (rows.Step()) {
    line.clear();
    for (int column = 0; column < count; ++column) {
      if (column > 0) line.push_back('\t');
      AppendCopyField(line, rows, column);
    }
    script << line << '\n';
  }
  script << "\\.\n";
}

}  // namespace

PostgresServer::PostgresServer() {
  std::string pattern = (fs::temp_directory_path() / "quorvia-bench-pg.XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) Fail("cannot make a folder for the PostgreSQL server");
  folder_ = pattern;
  fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  RunChild({kServerScript, "start", (folder_ / "server").string()}, 0, folder_ / "start-errors.txt",
           folder_ / "start.txt");
}

PostgresServer::~PostgresServer() {
  try {
    RunChild({kServerScript, "stop", (folder_ / "server").string()});
  } catch (...) {
    // What the server left is removed below all the same.
  }
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

std::string PostgresServer::Location(const std::string& database) const {
  return "host='" + (folder_ / "server").string() + "' port=5432 user=quorvia dbname=" + database;
}

std::string PostgresServer::Psql(const std::string& database, const std::vector<std::string>& args) const {
  std::vector<std::string> command = {kPsql, "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-d", Location(database)};
  command.insert(command.end(), args.begin(), args.end());
  const fs::path output = folder_ / "psql.out";
  RunChild(command, 0, folder_ / "psql-errors.txt", output);
  return ReadFile(output);
}

void PostgresServer::CopyFromSqlite(const fs::path& sqlite_path, const std::string& name) const {
  const fs::path script_path = folder_ / (name + ".sql");
  {
    const auto db = store::OpenDatabase(sqlite_path.string(), Database::Mode::kReadOnly);
    std::ofstream script(script_path);
    Statement tables(*db, "SELECT name, sql FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
    while (tables.Step()) WriteTable(*db, tables.Text(0), tables.Text(1), script);
    if (!script.flush()) Fail("cannot write " + script_path.string());
  }
  NewDatabase(name);
  Psql(name, {"-1", "-f", script_path.string()});
  fs::remove(script_path);
}

void PostgresServer::NewDatabase(const std::string& name) const {
  Psql("postgres", {"-c", "DROP DATABASE IF EXISTS " + DoubleQuoted(name), "-c", "CREATE DATABASE " + DoubleQuoted(name)});
}

void PostgresServer::DropDatabase(const std::string& name) const {
  Psql("postgres", {"-c", "DROP DATABASE IF EXISTS " + DoubleQuoted(name)});
}

void PostgresServer::CopyDatabase(const std::string& from, const std::string& copy) const {
  // FILE_COPY copies the template's files at a checkpoint; the default
  // writes a large store once more through the write-ahead log, work that
  // the server would go on doing during the next measured run.
  Psql("postgres", {"-c", "DROP DATABASE IF EXISTS " + DoubleQuoted(copy), "-c",
                    "CREATE DATABASE " + DoubleQuoted(copy) + " TEMPLATE " + DoubleQuoted(from) +
                        " STRATEGY FILE_COPY"});
}

std::string PostgresServer::Query(const std::string& database, const std::string& query) const {
  // From a file: one argument of a program holds at most 128 KiB.
  const fs::path file = folder_ / "query.sql";
  if (!(std::ofstream(file) << query << ";\n")) Fail("cannot write " + file.string());
  return Psql(database, {"-f", file.string()});
}

void PostgresServer::WriteDataSource(const fs::path& folder, const std::string& database) const {
  fs::create_directories(folder);
  std::ofstream(folder / "odbcinst.ini") << "[PostgreSQL Unicode]\nDriver=" << DriverPath() << "\n";
  std::ofstream(folder / "odbc.ini") << "[QuorviaReports]\nDriver=PostgreSQL Unicode\nServername="
                                     << (folder_ / "server").string()
                                     << "\nPort=5432\nDatabase=" << database << "\nUsername=quorvia\n";
}

std::string PostgresServer::Settings() const {
  std::string settings = Query("postgres",
      "SELECT string_agg(name || ' ' || current_setting(name), ', ' ORDER BY place) FROM unnest(ARRAY["
      "'server_version', 'fsync', 'synchronous_commit', 'full_page_writes', 'shared_buffers', 'work_mem', "
      "'max_wal_size', 'default_transaction_isolation']) WITH ORDINALITY AS setting(name, place)");
  while (!settings.empty() && settings.back() == '\n') settings.pop_back();
  return settings;
}

}  // namespace bench
