#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/ado.h"
#include "host/store/test_store.h"

namespace odbc::testing {

using Row = std::vector<std::optional<std::string>>;

// A temporary ODBC setup: the SQLite ODBC driver, the data source
// QuorviaReports on a new empty database file `folder_.File("reports.db")`,
// and Missing on a file that does not exist (both with NoCreat=1). No user
// or system ODBC file is read.
class ReportsSourceTest : public ::testing::Test {
 protected:
  ReportsSourceTest();
  ~ReportsSourceTest() override;

  // A new connection, open on QuorviaReports.
  host::Ref<host::ado::Connection> Connected();
  // Every row of `query` on `connection`, read through a recordset.
  std::vector<Row> Rows(const host::Ref<host::ado::Connection>& connection, const std::string& query);
  // The number of the host::Error that `call` throws; 0 when it throws none.
  static long ErrorNumberOf(const std::function<void()>& call);

  const store::testing::TempDir& folder_;
};

}  // namespace odbc::testing
