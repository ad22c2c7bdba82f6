#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace store::pg::testing {

// The test server's location (QUORVIA_TEST_PG, which the CTest fixture
// sets), or nullopt when the tests run without it.
std::optional<std::string> TestServer();

// A database of its own for one test on the test server: a copy of the
// database `original`, by default the empty quorvia_template (which no
// session holds open, so tests in parallel copy it at once), dropped when
// the object goes.
class TestDatabase {
 public:
  explicit TestDatabase(const std::string& server, const std::string& original = "quorvia_template");
  ~TestDatabase();
  TestDatabase(const TestDatabase&) = delete;
  TestDatabase& operator=(const TestDatabase&) = delete;

  // Its location: the server's, with its own database name.
  const std::string& location() const { return location_; }
  const std::string& name() const { return name_; }

 private:
  std::string server_;
  std::string name_;
  std::string location_;
};

// A test in a database of its own on the test server; skipped without one.
class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override;

  std::optional<TestDatabase> database_;
};

}  // namespace store::pg::testing
