#include "host/odbc/odbc_recordset.h"

#include <gtest/gtest.h>

#include "host/odbc/reports_source_test_fixture.h"

namespace odbc::testing {
namespace {

class OdbcRecordsetTest : public ReportsSourceTest {
 protected:
  OdbcRecordsetTest() : connection_(Connected()) {
    connection_->Execute("create table Accounts (Id integer, Amount numeric(10,2), Opened date, [Account Name] text)");
    connection_->Execute("insert into Accounts values (1, 12.5, '2024-02-29', 'Acme')");
    connection_->Execute("insert into Accounts values (2, null, null, null)");
    connection_->Execute("insert into Accounts (Id, [Account Name]) values (3, 'Zoë')");
    recordset_->SetCursorType(3);
  }

  host::Ref<host::ado::Connection> connection_;
  host::Ref<OdbcRecordset> recordset_ = host::MakeRef<OdbcRecordset>();
};

// The engine counts a query as a subquery on a second connection; one that
// cannot be a subquery (the trailing ";") is counted by reading it through.
class CountedRecordsetTest : public OdbcRecordsetTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CountedRecordsetTest, ReadsForwardCountsAndStartsAgain) {
  recordset_->Open(std::string("select Id, Amount, Opened, [Account Name] from Accounts order by Id") + GetParam(),
                   Connected(host::ado::kModeRead));
  EXPECT_EQ(recordset_->RecordCount(), 3);
  const std::vector<Row> expected = {{"1", "12.5", "2024-02-29", "Acme"},
                                     {"2", std::nullopt, std::nullopt, std::nullopt},
                                     {"3", std::nullopt, std::nullopt, "Zoë"}};
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& row : expected) {
      ASSERT_FALSE(recordset_->Eof()) << "pass " << pass;
      for (std::size_t i = 0; i < row.size(); ++i) {
        EXPECT_EQ(recordset_->Fields(static_cast<int>(i)), row[i]) << "pass " << pass << " " << *row[0];
      }
      recordset_->MoveNext();
    }
    EXPECT_TRUE(recordset_->Eof());
    EXPECT_EQ(ErrorNumberOf([&] { recordset_->MoveNext(); }), host::ado::kNoCurrentRecord);
    EXPECT_EQ(ErrorNumberOf([&] { recordset_->Fields(0); }), host::ado::kNoCurrentRecord);
    EXPECT_EQ(recordset_->RecordCount(), 3) << "pass " << pass;
    EXPECT_TRUE(recordset_->Eof()) << "pass " << pass;
    recordset_->MoveFirst();
  }
  recordset_->MoveNext();
  EXPECT_EQ(recordset_->RecordCount(), 3);
  EXPECT_EQ(recordset_->Fields(0), "2");
}

INSTANTIATE_TEST_SUITE_P(AsSubqueryOrReadThrough, CountedRecordsetTest, ::testing::Values("", ";"),
                         [](const auto& info) { return *info.param == '\0' ? "AsSubquery" : "ReadThrough"; });

TEST_F(OdbcRecordsetTest, RunsOnlyAQueryThatYieldsColumnsTwiceOnlyToReadAndOpensAndClosesOnce) {
  // A statement without result columns is refused before it runs.
  EXPECT_EQ(ErrorNumberOf([&] { recordset_->Open("delete from Accounts", connection_); }), host::ado::kFail);
  EXPECT_EQ(ErrorNumberOf([&] { recordset_->Eof(); }), host::ado::kObjectClosed);
  recordset_->Open("select Id from Accounts", connection_);
  EXPECT_EQ(ErrorNumberOf([&] { recordset_->RecordCount(); }), host::ado::kFail);
  EXPECT_EQ(recordset_->Fields(0), "1");
  recordset_->Close();
  recordset_->Open("select Id from Accounts where Id > 3", Connected(host::ado::kModeRead));
  EXPECT_TRUE(recordset_->Eof());
  EXPECT_EQ(recordset_->RecordCount(), 0);
  EXPECT_EQ(ErrorNumberOf([&] { recordset_->Open("select 1", connection_); }), host::ado::kObjectOpen);
  recordset_->Close();
  EXPECT_EQ(ErrorNumberOf([&] { recordset_->Close(); }), host::ado::kObjectClosed);
  EXPECT_EQ(ErrorNumberOf([&] { recordset_->Open("select Id from [Schema Nowhere]", connection_); }),
            host::ado::kNoTable);
  EXPECT_EQ(ErrorNumberOf([&] { recordset_->Eof(); }), host::ado::kObjectClosed);
  recordset_->Open("select count(*) from Accounts", connection_);
  EXPECT_EQ(recordset_->Fields(0), "3");
}

}  // namespace
}  // namespace odbc::testing
