#include "host/store/pg/pg_test_database.h"

#include <unistd.h>

#include <atomic>

#include "host/store/pg/pg_connection.h"
#include "host/xdg.h"

namespace store::pg::testing {

std::optional<std::string> TestServer() {
  std::string server = host::EnvironmentVariable("QUORVIA_TEST_PG");
  if (server.empty()) return std::nullopt;
  return server;
}

TestDatabase::TestDatabase(const std::string& server, const std::string& original) : server_(server) {
  static std::atomic<int> count{0};
  name_ = "test_" + std::to_string(getpid()) + "_" + std::to_string(++count);
  // A later keyword overrides an earlier one in a key=value location.
  location_ = server + " dbname=" + name_;
  Connection(server, Connection::Mode::kOpenExisting)
      .Exec(("CREATE DATABASE " + name_ + " TEMPLATE " + original).c_str());
}

TestDatabase::~TestDatabase() {
  try {
    Connection(server_, Connection::Mode::kOpenExisting).Exec(("DROP DATABASE " + name_ + " WITH (FORCE)").c_str());
  } catch (...) {
    // The server goes at the end of the test run, with whatever it holds.
  }
}

void ServerTest::SetUp() {
  const auto server = TestServer();
  if (!server) GTEST_SKIP() << "QUORVIA_TEST_PG names no test server (ctest sets it)";
  database_.emplace(*server);
}

}  // namespace store::pg::testing
