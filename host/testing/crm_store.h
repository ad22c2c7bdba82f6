#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "host/store/test_store.h"

namespace host::testing {

// A small CRM in a test store: accounts A100 (Acme), B200 (Beta) and C300
// (Gamma) in "Account Profiles"; B200 has the location accounts B201 and
// B202, A100 has A101; contacts, posts and sticky notes of B200 lie in
// folders up to three levels deep, beside items of the other accounts.
struct CrmStore {
  explicit CrmStore(const std::string& path, const std::string& outlook_version = "16.0.0.0");

  store::testing::TestStore store;
  std::int64_t profiles, contacts, east, activities, year, quarter, alerts;
  std::int64_t acme, beta, beta_north, beta_south, gamma, acme_east;
  std::int64_t beta_contact, gamma_contact, beta_contact2, beta_east_contact;
  std::int64_t beta_post, acme_post, beta_q1_post, beta_note, gamma_note;
};

// Every item of the store by entry identifier: its folder's entry
// identifier as "folder", its company as "company_name" and each property
// by name, all as text.
using Snapshot = std::map<std::string, std::map<std::string, std::string>>;
Snapshot TakeSnapshot(store::Database& db);

}  // namespace host::testing
