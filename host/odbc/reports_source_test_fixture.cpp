#include "host/odbc/reports_source_test_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "host/odbc/odbc_connection.h"
#include "host/odbc/odbc_recordset.h"

namespace odbc::testing {

namespace {

// unixODBC caches what it reads from odbc.ini for the whole process, so all
// tests of a process share one setup folder; each test gets a new database.
struct Setup {
  Setup() {
    store::testing::WriteFile(
        folder.File("odbcinst.ini"),
        "[SQLite3]\nDriver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so\n");
    store::testing::WriteFile(folder.File("odbc.ini"),
                              "[QuorviaReports]\nDriver=SQLite3\nDatabase=" + folder.File("reports.db") +
                                  "\nNoCreat=1\nStepAPI=1\nTimeout=100\n");
    store::testing::WriteFile(folder.File("user.ini"), "");
  }
  store::testing::TempDir folder;
};

const store::testing::TempDir& SetupFolder() {
  static const Setup setup;
  return setup.folder;
}

}  // namespace

ScratchReportsSource::ScratchReportsSource() : folder_(SetupFolder()) {
  std::filesystem::remove(folder_.File("reports.db"));
  // SQLite takes an empty file for an empty database.
  store::testing::WriteFile(folder_.File("reports.db"), "");
  setenv("ODBCSYSINI", folder_.File("").c_str(), 1);
  setenv("ODBCINI", folder_.File("user.ini").c_str(), 1);
  unsetenv("ODBCINSTINI");
}

ScratchReportsSource::~ScratchReportsSource() {
  unsetenv("ODBCSYSINI");
  unsetenv("ODBCINI");
}

std::string ScratchReportsSource::database() const { return folder_.File("reports.db"); }

host::Ref<host::ado::Connection> ScratchReportsSource::Connected(int mode) const {
  auto connection = host::MakeRef<OdbcConnection>(pool_);
  connection->SetMode(mode);
  connection->Open("QuorviaReports", "", "", -1);
  return connection;
}

std::vector<Row> ScratchReportsSource::Rows(const host::Ref<host::ado::Connection>& connection,
                                         const std::string& query) {
  auto recordset = host::MakeRef<OdbcRecordset>();
  recordset->Open(query, connection);
  std::vector<Row> rows;
  for (; !recordset->Eof(); recordset->MoveNext()) {
    Row row;
    for (int i = 0; i < recordset->FieldCount(); ++i) row.push_back(recordset->Fields(i));
    rows.push_back(row);
  }
  recordset->Close();
  return rows;
}

long ReportsSourceTest::ErrorNumberOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const host::Error& error) {
    return error.number();
  }
  return 0;
}

}  // namespace odbc::testing
