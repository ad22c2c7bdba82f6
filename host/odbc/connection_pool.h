#pragma once

#include <sql.h>

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/odbc/odbc_handle.h"

namespace odbc {

// What a connection is opened to and how: a data source name (or a
// connection string when it holds '='), the user, the password and the
// connection's mode. Only opens with equal targets share a physical
// connection, one after the other.
struct ConnectionTarget {
  std::string source;
  std::string user;
  std::string password;
  int mode = 0;
};

// One physical connection: a connected handle, disconnected and freed when
// it goes.
class PhysicalConnection {
 public:
  PhysicalConnection() = default;
  ~PhysicalConnection();
  PhysicalConnection(const PhysicalConnection&) = delete;
  PhysicalConnection& operator=(const PhysicalConnection&) = delete;

  SQLHANDLE get() const { return handle_.get(); }

 private:
  friend class ConnectionPool;
  ConnectionHandle handle_;
  bool connected_ = false;
};

// The physical connections of a process kept for reuse: one given back when
// its connection closes is taken by the next open of the same target instead
// of connecting again. A physical connection is held by one open connection
// at a time. Going, the pool disconnects what it keeps; it must outlive every
// physical connection it handed out. Safe to use from several threads.
class ConnectionPool {
 public:
  ConnectionPool() = default;
  ~ConnectionPool();
  ConnectionPool(const ConnectionPool&) = delete;
  ConnectionPool& operator=(const ConnectionPool&) = delete;

  // A physical connection to `target`: one kept for it that the driver does
  // not report dead (the dead are dropped), else a new one. Throws
  // host::Error kFail ("CONTEXT: " and the driver's diagnostics) when it
  // cannot connect.
  std::unique_ptr<PhysicalConnection> Take(const ConnectionTarget& target, const std::string& context);
  // Keeps `connection` for the next Take of `target`. The giver has put it
  // back in the state a new one is in: autocommit on, no transaction open.
  void Give(const ConnectionTarget& target, std::unique_ptr<PhysicalConnection> connection);

 private:
  std::unique_ptr<PhysicalConnection> Kept(const std::string& key);
  // The environment of every connection the pool makes, allocated at the first.
  SQLHANDLE EnvironmentFor(const std::string& context);
  std::unique_ptr<PhysicalConnection> Connect(const ConnectionTarget& target, const std::string& context);

  std::mutex mutex_;
  // Declared before what it keeps: the connections go before their environment.
  Environment environment_;
  std::unordered_map<std::string, std::vector<std::unique_ptr<PhysicalConnection>>> kept_;
};

}  // namespace odbc
