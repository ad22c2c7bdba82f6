#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/ado.h"
#include "host/odbc/connection_pool.h"
#include "host/odbc/engine_dialect.h"
#include "host/odbc/odbc_handle.h"

namespace odbc {

// A reports connection over the unixODBC driver manager, whose physical
// connections come from `pool` and go back to it when it closes.
class OdbcConnection : public host::ado::Connection {
 public:
  explicit OdbcConnection(std::shared_ptr<ConnectionPool> pool) : pool_(std::move(pool)) {}
  ~OdbcConnection() override;

  void SetMode(int mode) override { mode_ = mode; }
  int Mode() const override { return mode_; }
  void Open(const std::string& source, const std::string& user, const std::string& password,
            int options) override;
  void Execute(const std::string& statement) override;
  void Execute(const std::string& statement,
               const std::vector<std::optional<std::string>>& parameters) override;
  std::string IdentifierQuote() override;
  void Close() override;

  // A new statement on the open connection, freed by this connection when it
  // closes first (the pointer then holds no handle). Throws 3704 when closed.
  std::shared_ptr<StatementHandle> NewStatement();
  // The rows `query` yields, counted by the engine on a second connection to
  // the same target in the same mode; nothing when it cannot be counted so
  // (a query that is no subquery, or no second connection). Throws 3704
  // when closed.
  std::optional<long> CountRows(const std::string& query);
  // "the data source NAME" this connection was opened on, for error
  // descriptions (a connection string is not repeated: it may hold a password).
  std::string name() const;
  // Whether the engine holds it to reading.
  bool read_only() const { return read_only_; }

 private:
  // Makes the engine hold the connection to reading, in one transaction;
  // throws kFail (with `context`) for an engine it does not know.
  void MakeReadOnly(const std::string& context);
  // Runs `statement` on a statement of its own; throws kFail (with
  // `context`) unless it succeeds without a warning.
  void RunWhole(const std::string& statement, const std::string& context);
  // Ends the read-only connection's transaction; false when it cannot.
  bool RollBack();
  // Puts the physical connection back in the state a new one is in and gives
  // it to the pool, or disconnects it when that fails.
  void GiveBack();
  // The text of SQLGetInfo's `type`.
  std::string Info(SQLUSMALLINT type, const std::string& context);

  std::shared_ptr<ConnectionPool> pool_;
  int mode_ = 0;
  ConnectionTarget target_;
  std::unique_ptr<PhysicalConnection> connection_;
  bool read_only_ = false;
  // How the read-only connection's transaction is held and rolled back.
  ReadOnlySession::Transaction transaction_ = ReadOnlySession::Transaction::kDriver;
  std::vector<std::weak_ptr<StatementHandle>> statements_;
};

}  // namespace odbc
