#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/ado.h"
#include "host/odbc/connection_pool.h"
#include "host/store/test_store.h"

namespace odbc::testing {

using Row = std::vector<std::optional<std::string>>;

// A temporary ODBC setup for as long as the object lives: the SQLite ODBC
// driver and the data source QuorviaReports on a new empty database file
// database() (with NoCreat=1, waiting 100 ms for a locked database). No user
// or system ODBC file is read.
class ScratchReportsSource {
 public:
  ScratchReportsSource();
  ~ScratchReportsSource();
  ScratchReportsSource(const ScratchReportsSource&) = delete;
  ScratchReportsSource& operator=(const ScratchReportsSource&) = delete;

  // The file QuorviaReports works on.
  std::string database() const;
  // A new connection in `mode`, open on QuorviaReports, from pool().
  host::Ref<host::ado::Connection> Connected(int mode = 3) const;
  // The physical connections of this source's connections.
  const std::shared_ptr<ConnectionPool>& pool() const { return pool_; }
  // Every row of `query` on `connection`, read through a recordset.
  static std::vector<Row> Rows(const host::Ref<host::ado::Connection>& connection,
                               const std::string& query);

 private:
  const store::testing::TempDir& folder_;
  std::shared_ptr<ConnectionPool> pool_ = std::make_shared<ConnectionPool>();
};

class ReportsSourceTest : public ::testing::Test {
 protected:
  host::Ref<host::ado::Connection> Connected(int mode = 3) { return source_.Connected(mode); }
  std::vector<Row> Rows(const host::Ref<host::ado::Connection>& connection, const std::string& query) {
    return ScratchReportsSource::Rows(connection, query);
  }
  // The number of the host::Error that `call` throws; 0 when it throws none.
  static long ErrorNumberOf(const std::function<void()>& call);

  ScratchReportsSource source_;
};

}  // namespace odbc::testing
