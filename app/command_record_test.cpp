#include "app/command_record.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace app
