#include "host/testing/crm_store.h"

namespace host::testing {
namespace {

using store::testing::TestStore;
using store::testing::TextProperties;

TextProperties Related(const std::string& key, const std::string& name, const std::string& manager,
                       const std::string& team, const std::string& alignment) {
  return {{"AccountID", key},
          {"Account Name", name},
          {"Account Manager", manager},
          {"Team", team},
          {"Alignment", alignment}};
}

TextProperties Account(const std::string& key, const std::string& name, const std::string& manager,
                       const std::string& team, const std::string& alignment,
                       const std::string& parent_name = "", const std::string& parent_key = "") {
  TextProperties account = Related(key, name, manager, team, alignment);
  account.insert(account.end(),
                 {{"Account Parent", parent_name}, {"Account LocationID", parent_key}});
  return account;
}

}  // namespace

CrmStore::CrmStore(const std::string& path, const std::string& outlook_version)
    : store(path, outlook_version) {
  profiles = store.AddFolder("Account Profiles");
  acme = store.AddItem(profiles, "IPM.Post", Account("A100", "Acme", "Ann", "East", "Strategic"),
                       "Acme Ltd");
  beta = store.AddItem(profiles, "IPM.Post", Account("B200", "Beta", "Bob", "West", "Standard"),
                       "Beta Inc");
  beta_north = store.AddItem(
      profiles, "IPM.Post",
      Account("B201", "Beta North", "Bob", "West", "Standard", "Beta", "B200"), "Beta North");
  beta_south = store.AddItem(
      profiles, "IPM.Post",
      Account("B202", "Beta South", "Bea", "West", "Regional", "Beta", "B200"), "Beta South");
  gamma = store.AddItem(profiles, "IPM.Post", Account("C300", "Gamma", "Cid", "North", "Standard"),
                        "Gamma");
  acme_east = store.AddItem(
      profiles, "IPM.Post",
      Account("A101", "Acme East", "Ann", "East", "Strategic", "Acme", "A100"), "Acme East");

  contacts = store.AddFolder("Contacts", profiles, "IPM.Contact");
  beta_contact =
      store.AddItem(contacts, "IPM.Contact", Related("B200", "Beta", "Bob", "West", "Standard"));
  gamma_contact =
      store.AddItem(contacts, "IPM.Contact", Related("C300", "Gamma", "Cid", "North", "Standard"));
  beta_contact2 =
      store.AddItem(contacts, "IPM.Contact", Related("B200", "Beta", "Bob", "West", "Standard"));
  east = store.AddFolder("East", contacts, "IPM.Contact");
  beta_east_contact =
      store.AddItem(east, "IPM.Contact", Related("B200", "Beta", "Bob", "West", "Standard"));

  activities = store.AddFolder("Activities", profiles);
  beta_post =
      store.AddItem(activities, "IPM.Post", Related("B200", "Beta", "Bob", "West", "Standard"));
  acme_post =
      store.AddItem(activities, "IPM.Post", Related("A100", "Acme", "Ann", "East", "Strategic"));
  year = store.AddFolder("2026", activities);
  quarter = store.AddFolder("Q1", year);
  beta_q1_post = store.AddItem(quarter, "IPM.Post.Activity",
                               Related("B200", "Beta", "Bob", "West", "Standard"));

  store.db().Exec(
      "UPDATE items SET company_name = (SELECT value FROM properties "
      "WHERE item = items.id AND name = 'Account Name') WHERE message_class = 'IPM.Contact'");

  alerts = store.AddFolder("Alerts", profiles, "IPM.StickyNote");
  beta_note =
      store.AddItem(alerts, "IPM.StickyNote", Related("B200", "Beta", "Bob", "West", "Standard"));
  gamma_note =
      store.AddItem(alerts, "IPM.StickyNote", Related("C300", "Gamma", "Cid", "North", "Standard"));
}

Snapshot TakeSnapshot(store::Database& db) {
  Snapshot snapshot;
  store::Statement items(db,
                         "SELECT i.entry_id, f.entry_id, i.company_name FROM items i "
                         "JOIN folders f ON f.id = i.folder");
  while (items.Step()) {
    auto& item = snapshot[items.Text(0)];
    item["folder"] = items.Text(1);
    item["company_name"] = items.Text(2);
  }
  store::Statement properties(db,
                              "SELECT i.entry_id, p.name, p.value FROM properties p "
                              "JOIN items i ON i.id = p.item");
  while (properties.Step()) snapshot[properties.Text(0)][properties.Text(1)] = properties.Text(2);
  return snapshot;
}

}  // namespace host::testing
