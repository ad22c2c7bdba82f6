#include "host/store/journal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <thread>

#include <nlohmann/json.hpp>

#include "host/store/dialect.h"
#include "host/store/held_back_writes.h"
#include "host/store/item_record.h"
#include "host/store/journal_undo.h"
#include "host/store/schema.h"
#include "host/store/store_rows.h"
#include "host/store/store_session.h"
#include "host/store/test_store.h"

namespace store {
namespace {

using nlohmann::json;
using testing::CountOf;

class JournalTest : public ::testing::Test {
 protected:
  std::shared_ptr<StoreSession> Session(const std::string& run_id) {
    return std::make_shared<StoreSession>(path_, RunRecord{run_id, "2026-12-01T10:00:00+01:00", "ann", "Merge;x"});
  }
  json Before(const std::string& where) {
    Statement select(store_.db(), ("SELECT before FROM changes WHERE " + where + " ORDER BY id").c_str());
    return select.Step() ? json::parse(select.Text(0)) : json();
  }
  // Changes the item's text property through `session` and stores it.
  void Set(const std::shared_ptr<StoreSession>& session, const std::string& name, const std::string& value) {
    ItemRecord record(session, ItemById(*session, item_));
    record.SetPropertyValue(name, value);
    record.Store();
  }

  testing::TempDir dir_;
  testing::StoreLocation location_{dir_};
  std::string path_ = location_.str();
  testing::TestStore store_{path_};
  std::int64_t folder_ = store_.AddFolder("Account Profiles");
  std::int64_t item_ = store_.AddItem(folder_, "IPM.Contact", {{"AccountID", "A100"}, {"Team", "East"}}, "Acme");
};

TEST_F(JournalTest, AWriteKeepsItsBeforeImageAndAFailedOneKeepsNothing) {
  // Text that the journal's JSON must escape, or carry as it is.
  const std::string odd = "A\"1\\0\t0 \xC3\xBC\r\n\x01";
  store_.SetText(item_, "AccountID", odd);
  auto session = Session("run-1");
  session->FailWritesAfter(0);
  EXPECT_THROW(Set(session, "AccountID", "B200"), host::Error);
  EXPECT_EQ(CountOf(store_.db(), "SELECT count(*) FROM runs"), 0);

  // The run's row was rolled back with the failed write and comes again.
  session->FailWritesAfter(-1);
  ItemRecord record(session, ItemById(*session, item_));
  record.SetPropertyValue("AccountID", std::string("B200"));
  record.SetProperty("Added", PropertyType::kInteger, 7);
  record.SetColumn(ItemColumn::kCompanyName, std::string("Beta"));
  record.Store();
  EXPECT_EQ(Before("kind = 'changed'"), json({{"columns", {{"company_name", ""}}},
                                              {"properties", {{"AccountID", {"text", odd}}, {"Added", nullptr}}}}));
  // Both written: the property the item had and the one it lacked.
  EXPECT_EQ(CountOf(store_.db(), "SELECT count(*) FROM properties WHERE name = 'AccountID' AND value = 'B200'"), 1);
  EXPECT_EQ(CountOf(store_.db(), "SELECT value FROM properties WHERE name = 'Added'"), 7);
  EXPECT_EQ(CountOf(store_.db(), "SELECT count(*) FROM runs WHERE run_id = 'run-1' AND status IS NULL"), 1);
  session->EndRun(7, Retention{});
  EXPECT_EQ(CountOf(store_.db(), "SELECT status FROM runs WHERE run_id = 'run-1'"), 7);

  // A hundred other items: holding their saves sends those held before.
  std::vector<std::int64_t> others;
  for (std::size_t other = 0; other < HeldBackWrites::kMaxItems; ++other) {
    others.push_back(store_.AddItem(folder_, "IPM.Post", {{"AccountID", "A100"}}));
  }
  const auto read_others = [&](StoreSession& session) {
    std::vector<ItemRow> rows;
    for (const std::int64_t other : others) rows.push_back(ItemById(session, other));
    return rows;
  };
  const auto hold_others = [&](const std::shared_ptr<StoreSession>& session, const std::vector<ItemRow>& rows,
                               const std::string& key) {
    for (const ItemRow& row : rows) {
      ItemRecord other(session, row);
      other.SetProperty("AccountID", PropertyType::kText, key);
      other.Store();
    }
  };

  // Saves held back and made together journal each as it would be alone:
  // the second starts from what the first left, whether it was held back
  // with the first or after the first was sent.
  auto held = Session("run-2");
  held->TakeForWriting({}, StoreSession::ItemWrites::kHeldBack);
  ItemRecord twice(held, ItemById(*held, item_));
  twice.SetProperty("Region", PropertyType::kText, std::string("North"));
  for (const char* value : {"C300", "D400"}) {
    twice.SetProperty("AccountID", PropertyType::kText, std::string(value));
    twice.Store();
  }
  held->CommitRun();
  EXPECT_EQ(Before("id = (SELECT max(id) - 1 FROM changes)"),
            json({{"properties", {{"AccountID", {"text", "B200"}}, {"Region", nullptr}}}}));
  EXPECT_EQ(Before("id = (SELECT max(id) FROM changes)"), json({{"properties", {{"AccountID", {"text", "C300"}}}}}));
  EXPECT_EQ(CountOf(store_.db(), "SELECT count(*) FROM properties WHERE value IN ('D400', 'North')"), 2);
  auto apart = Session("run-2b");
  apart->TakeForWriting({}, StoreSession::ItemWrites::kHeldBack);
  const std::vector<ItemRow> rows = read_others(*apart);
  ItemRecord again(apart, ItemById(*apart, item_));
  again.SetColumn(ItemColumn::kCompanyName, std::string("Gamma"));
  again.Store();
  hold_others(apart, rows, "E500");
  again.SetColumn(ItemColumn::kCompanyName, std::string("Delta"));
  again.Store();
  apart->CommitRun();
  EXPECT_EQ(Before("id = (SELECT max(id) FROM changes)"), json({{"columns", {{"company_name", "Gamma"}}}}));

  // An item gone by the time they are made fails them all, whether the
  // journal's hold finds it missing or the write itself, also once they were
  // sent while the run held back the next ones; the run cannot commit
  // without starting over.
  const std::vector<std::function<void(ItemRecord&)>> writes = {
      [](ItemRecord& lost) {
        lost.SetProperty("AccountID", PropertyType::kText, std::string("E500"));
        lost.Store();
      },
      [](ItemRecord& lost) {
        lost.SetColumn(ItemColumn::kCompanyName, std::string("Gamma"));
        lost.Store();
      },
      [](ItemRecord& lost) { lost.Delete(); }};
  for (const bool journaled : {true, false}) {
    for (std::size_t write = 0; write < writes.size(); ++write) {
      auto gone = journaled ? Session("run-3") : std::make_shared<StoreSession>(path_);
      gone->TakeForWriting({}, StoreSession::ItemWrites::kHeldBack);
      const std::vector<ItemRow> rows = read_others(*gone);
      ItemRecord lost(gone, ItemById(*gone, item_));
      writes[write](lost);
      gone->Db().Exec(("DELETE FROM items WHERE id = " + std::to_string(item_)).c_str());
      EXPECT_THROW(
          {
            hold_others(gone, rows, "F600");
            gone->WriteHeldBack();
          },
          host::StoreConflict)
          << journaled << write;
      EXPECT_THROW(gone->CommitRun(), host::StoreFailure) << journaled << write;
      EXPECT_EQ(CountOf(store_.db(), "SELECT count(*) FROM items WHERE id = " + std::to_string(item_)), 1);
      EXPECT_EQ(CountOf(store_.db(), "SELECT count(*) FROM properties WHERE value = 'F600'"), 0);
    }
  }
}

TEST_F(JournalTest, ASessionWithoutARunJournalsNothing) {
  auto session = std::make_shared<StoreSession>(path_);
  Set(session, "Team", "West");
  DeleteItem(*session, ItemById(*session, item_));
  session->EndRun(0, Retention{});
  EXPECT_EQ(CountOf(store_.db(), "SELECT count(*) FROM changes"), 0);
  EXPECT_EQ(CountOf(store_.db(), "SELECT count(*) FROM runs"), 0);
}

TEST_F(JournalTest, ADeletedItemComesBackWholeUnderItsRowAndATakenBackRunIsNotTakenBackTwice) {
  // Every kind of value, and text the journal's JSON must escape or (in a
  // file, which takes any bytes) keep as bytes.
  store_.db().Exec(testing::OnServer()
                       ? "UPDATE items SET time_sent = '2026-01-02 03:04:05', unread = 1, body = 'b\"\\\n\x01'"
                       : "UPDATE items SET time_sent = '2026-01-02 03:04:05', unread = 1, "
                         "body = CAST('b\"\\' || X'0A01FF' AS TEXT)");
  store_.db().Exec("UPDATE properties SET type = 'integer', value = 42 WHERE name = 'Team'");
  // Every column of the item and of its properties, each value with its kind.
  const auto rows = [&] {
    std::string text;
    for (const std::string& sql :
         {std::string("SELECT quote(entry_id) || quote(folder) || quote(message_class) || quote(subject) || "
                      "quote(body) || quote(company_name) || quote(time_sent) || quote(time_received) || "
                      "quote(sent) || quote(unread) || quote(submitted) FROM items WHERE id = ?"),
          std::string("SELECT quote(name) || quote(type) || quote(value) || ") + store_.db().dialect().value_type +
              " FROM properties WHERE item = ? ORDER BY name"}) {
      Statement select(store_.db(), sql.c_str());
      for (select.Bind(1, item_); select.Step();) text += select.Text(0) + "|";
    }
    return text;
  };
  const std::string before = rows();
  const std::int64_t later_item = store_.AddItem(folder_, "IPM.Post", {{"AccountID", "C300"}});
  // Deleted too: an item whose row number another item takes meanwhile,
  // one whose folder goes, and one whose entry identifier comes again.
  const std::int64_t renumbered = store_.AddItem(folder_, "IPM.Post", {{"AccountID", "A100"}});
  const std::int64_t gone_folder = store_.AddFolder("Gone");
  const std::int64_t homeless = store_.AddItem(gone_folder, "IPM.Post", {});
  const std::string twin = testing::TestStore::EntryId(store_.AddItem(folder_, "IPM.Post", {}));
  auto run = Session("run-1");
  for (const std::int64_t item : {item_, renumbered, homeless, store_.IdOf(twin)}) {
    DeleteItem(*run, ItemById(*run, item));
  }
  // And one the run added and deleted again: taken back, it is not there.
  const ItemRow added = InsertItem(*run, FolderById(*run, folder_), "IPM.Post");
  DeleteItem(*run, added);
  EXPECT_FALSE(store_.Exists(item_));
  EXPECT_EQ(Before("kind = 'deleted'")["properties"]["Team"], json({"integer", 42}));
  store_.db().Exec(("INSERT INTO items (id, entry_id, folder, message_class) VALUES (" + std::to_string(renumbered) +
                    ", 'E-new', " + std::to_string(folder_) + ", 'IPM.Post'); DELETE FROM folders WHERE id = " +
                    std::to_string(gone_folder) + "; INSERT INTO items (entry_id, folder, message_class) VALUES ('" +
                    twin + "', " + std::to_string(folder_) + ", 'IPM.Post')")
                       .c_str());

  const UndoResult result = UndoRun(*Session("run-1-undone"), "run", false, Retention{});
  EXPECT_TRUE(result.done);
  EXPECT_EQ(result.run_id, "run-1");
  EXPECT_EQ(result.recreated, 3u);
  EXPECT_EQ(store_.IdOf(added.entry_id), 0);
  EXPECT_EQ(result.skipped,
            (std::vector<std::string>{twin + ": an item with its entry identifier exists again",
                                      testing::TestStore::EntryId(homeless) + ": its folder no longer exists"}));
  EXPECT_GT(store_.IdOf(testing::TestStore::EntryId(renumbered)), renumbered);
  EXPECT_EQ(store_.IdOf("E1"), item_);
  EXPECT_EQ(rows(), before);
  EXPECT_EQ(store_.MisfiledProperties(), 0);
  EXPECT_TRUE(store_.Exists(later_item));

  // Named in full, a run is that one, although "run-1-undone" starts with its name.
  const UndoResult again = UndoRun(*Session("undo-2"), "run-1", false, Retention{});
  EXPECT_FALSE(again.done);
  EXPECT_THAT(again.conflicts, ::testing::UnorderedElementsAre("E1", testing::TestStore::EntryId(renumbered), added.entry_id));
  EXPECT_THROW(UndoRun(*Session("undo-3"), "nothing", false, Retention{}), std::runtime_error);
  EXPECT_THROW(UndoRun(*Session("undo-4"), "", false, Retention{}), std::runtime_error);
}

// A run whose journal undo cannot trust is refused whole, saying why: a
// before-image holding a value its property cannot hold, and a run whose
// first change lies after its last (which would restore nothing).
// Two runs side by side on one item, on the server that lets writers run
// at once: the second waits for the first to commit before it journals its
// change, so the journal orders their changes as they committed, although
// the first changed the item again after the second began.
#ifdef QUORVIA_TESTS_ON_SERVER
TEST_F(JournalTest, AnItemsChangesAreJournaledInTheOrderTheirRunsCommitted) {
  auto first = Session("run-first");
  first->TakeForWriting();
  Set(first, "Team", "West");
  std::thread second_run([&] {
    auto second = Session("run-second");
    second->TakeForWriting();
    Set(second, "AccountID", "B200");
    second->EndRun(0, Retention{});
    second->CommitRun();
  });
  const auto watcher = OpenStore(path_);
  const auto nobody_waits = [&] {
    return testing::CountOf(*watcher, "SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock'") == 0;
  };
  for (int tries = 0; tries < 1000 && nobody_waits(); ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  Set(first, "Team", "North");
  first->EndRun(0, Retention{});
  first->CommitRun();
  second_run.join();

  const UndoResult of_first = UndoRun(*Session("undo-1"), "run-first", false, Retention{});
  EXPECT_FALSE(of_first.done);
  EXPECT_EQ(of_first.conflicts, std::vector<std::string>{store_.EntryId(item_)});
  const UndoResult of_second = UndoRun(*Session("undo-2"), "run-second", false, Retention{});
  EXPECT_TRUE(of_second.done) << "refused over changes by " << of_second.conflicts.size() << " items";
}
#endif

TEST_F(JournalTest, UndoRefusesARunWhoseJournalIsDamaged) {
  const struct {
    const char* run;
    const char* damage;
    const char* why;
  } cases[] = {
      {"run-1", "UPDATE changes SET before = replace(before, '[\"text\",\"East\"]', '[\"integer\",\"x\"]') "
                "WHERE run = (SELECT id FROM runs WHERE run_id = 'run-1')",
       "change 1 of item E1: property 'Team' is kept as 'x', not a valid integer value"},
      {"run-2", "UPDATE runs SET first_change = last_change + 2 WHERE run_id = 'run-2'",
       "run run-2: its first change 4 lies after its last 2"},
  };
  for (const auto& c : cases) {
    auto session = Session(c.run);
    Set(session, "Team", c.run);
    session->EndRun(0, Retention{});
  }
  for (const auto& c : cases) {
    store_.db().Exec(c.damage);
    EXPECT_THAT([&] { UndoRun(*Session(std::string("undo-") + c.run), c.run, true, Retention{}); },
                ::testing::ThrowsMessage<std::runtime_error>(std::string("run ") + c.run +
                                                             " was not taken back: its journal is damaged: " + c.why));
    EXPECT_EQ(store_.Text(item_, "Team"), "run-2") << c.run;
  }
}

// Runs started 60 days and one day ago, and one 29 days 22 hours ago by its
// clock whose offset of +05:00 makes it older than 30 days: the last two
// are kept however old, and the recent one however far back.
TEST_F(JournalTest, PruningKeepsTheLastRunsOrTheRecentDaysWhicheverIsMore) {
  const struct {
    int hours_ago;
    const char* offset;
  } ages[] = {{60 * 24, "+00:00"}, {29 * 24 + 22, "+05:00"}, {24, "-05:00"}, {60 * 24, "+00:00"}, {60 * 24, "+00:00"}};
  int n = 0;
  for (const auto& [hours_ago, offset] : ages) {
    // UTC's clock time then, written with the offset as if it were local.
    const std::time_t started = std::time(nullptr) - static_cast<std::time_t>(hours_ago) * 3600;
    std::tm utc{};
    gmtime_r(&started, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    Statement(store_.db(), "INSERT INTO runs (run_id, started, \"user\", command, first_change) VALUES (?, ?, 'u', 'c', 1)")
        .Bind(1, std::string("R").append(std::to_string(++n)))
        .Bind(2, std::string(text).append(offset))
        .Run();
  }
  store_.db().Exec("INSERT INTO changes (run, kind, item, entry_id, folder, before, after) "
                   "VALUES (1, 'changed', 1, 'E1', 1, '{}', '{}')");
  EXPECT_EQ(PruneJournal(store_.db(), Retention{2, 30}), 2);
  EXPECT_EQ(testing::RowsOf(path_, "SELECT id FROM runs ORDER BY id", 1), (std::vector<std::string>{"3", "4", "5"}));
  EXPECT_EQ(CountOf(store_.db(), "SELECT count(*) FROM changes"), 0);
  EXPECT_EQ(PruneJournal(store_.db(), Retention{0, 0}), 3);
}

}  // namespace
}  // namespace store
