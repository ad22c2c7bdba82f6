#include "host/ref.h"

#include <gtest/gtest.h>

#include "host/store/test_store.h"

namespace host {
namespace {

struct Counter {
  int calls = 0;
  int Call() { return ++calls; }
};

TEST(RefTest, MemberCallThroughNothingFailsWithError91) {
  Ref<Counter> nothing;
  EXPECT_TRUE(nothing.IsNothing());
  const Error error = store::testing::ThrownError([&] { nothing->Call(); });
  EXPECT_EQ(error.number(), 91);
  EXPECT_EQ(error.description(), "Object variable or With block variable not set");
}

}  // namespace
}  // namespace host
