#include "app/command_record.h"

#include <gtest/gtest.h>

#include <string>

#include "host/error.h"

namespace app {
namespace {

TEST(CommandRecordTest, SplitsOnEverySeparatorKeepingEveryCharacter) {
  using Fields = std::vector<std::string>;
  const struct {
    const char* line;
    Fields fields;
  } cases[] = {
      {"Help", {"Help"}},
      {"Merge;;;", {"Merge", "", "", ""}},
      {"Delete;E1;;A 1", {"Delete", "E1", "", "A 1"}},
      {";", {"", ""}},
      {" Merge ; 'a' ;\"b\";", {" Merge ", " 'a' ", "\"b\"", ""}},
      {"AddAlerts;K;Zoë;O'Brien", {"AddAlerts", "K", "Zoë", "O'Brien"}},
  };
  for (const auto& c : cases) EXPECT_EQ(MakeCommandRecord(c.line), c.fields) << c.line;
}

// Error 9 is a missing field only when the record is short of its function's
// (what a short one says is AccountCommandsTest's).
TEST(CommandRecordTest, ErrorNineOfACompleteCommandIsNotCalledAMissingField) {
  const std::string lead = "Merge was abandoned: ";
  EXPECT_EQ(FailureInUserWords({"Merge", "E1", "", "A100", "B200"}, host::kSubscriptOutOfRange, "out of range", lead),
            lead + "out of range");
}

}  // namespace
}  // namespace app
