// The store's filters against the reference reading of the language: the
// input makes a few items with typed properties and then a filter text; the
// store must refuse exactly the texts the reference refuses, and select
// exactly the items it selects.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/reference_filter.h"
#include "host/error.h"
#include "host/store/filter.h"
#include "host/store/item_selection.h"
#include "host/store/schema.h"
#include "host/store/store_session.h"
#include "host/store/test_store.h"

namespace {

using fuzz::PropertyMap;
using fuzz::PropertyValue;

// Names and values that filters in the corpus name, with neighbours that
// differ in letter case, in quotes, by one character or in type.
const char* const kNames[] = {"A", "B", "c", "a b"};
const char* const kTexts[] = {"", "a", "A", "b", "ab", "a'b", "a\"b", "é", "10", "-1", " "};
const std::int32_t kNumbers[] = {-2147483647 - 1, -1, 0, 1, 9, 10, 2147483647};
constexpr char kTime[] = "2024-02-29T23:59:58";

PropertyValue ReadValue(fuzz::InputReader& input) {
  PropertyValue value;
  value.type = static_cast<PropertyValue::Type>(input.Choose(4));
  const std::uint8_t choice = input.Byte();
  switch (value.type) {
    case PropertyValue::Type::kText:
      value.text = kTexts[choice % std::size(kTexts)];
      break;
    case PropertyValue::Type::kInteger:
      value.number = kNumbers[choice % std::size(kNumbers)];
      break;
    case PropertyValue::Type::kBoolean:
      value.number = choice % 2;
      break;
    case PropertyValue::Type::kTime:
      value.text = kTime;
      break;
  }
  return value;
}

// One to four items; each of the names present or not.
std::vector<PropertyMap> ReadItems(fuzz::InputReader& input) {
  std::vector<PropertyMap> items(1 + input.Choose(4));
  for (PropertyMap& item : items) {
    const std::uint8_t present = input.Byte();
    for (std::size_t n = 0; n < std::size(kNames); ++n) {
      if (present & (1U << n)) item[kNames[n]] = ReadValue(input);
    }
  }
  return items;
}

// One store for the whole run, with one folder whose items each input
// replaces.
struct FuzzStore {
  FuzzStore() : session(dir.File("crm.db")) {
    store::CreateStore(session.path(), "5354", "16.0");
    session.Db().Exec("INSERT INTO folders (id, entry_id, name, default_message_class) "
                      "VALUES (1, 'F1', 'Account Profiles', 'IPM.Post')");
  }
  store::testing::TempDir dir;
  store::StoreSession session;
};

const char* TypeName(PropertyValue::Type type) {
  static const char* const kTypeNames[] = {"text", "integer", "boolean", "time"};
  return kTypeNames[static_cast<int>(type)];
}

// Writes the items; item i gets id i + 1.
void Fill(store::Database& db, const std::vector<PropertyMap>& items) {
  store::Transaction transaction(db);
  db.Exec("DELETE FROM properties; DELETE FROM items");
  store::Statement add_item(db, "INSERT INTO items (id, entry_id, folder, message_class) VALUES (?, ?, 1, 'IPM.Post')");
  store::Statement add_property(db, "INSERT INTO properties (item, folder, name, type, value) VALUES (?, 1, ?, ?, ?)");
  for (std::size_t i = 0; i < items.size(); ++i) {
    const auto id = static_cast<std::int64_t>(i + 1);
    add_item.Bind(1, id).Bind(2, std::string("E").append(std::to_string(id))).Run();
    add_item.Reset();
    for (const auto& [name, value] : items[i]) {
      add_property.Bind(1, id).Bind(2, name).Bind(3, TypeName(value.type));
      const bool as_text = value.type == PropertyValue::Type::kText || value.type == PropertyValue::Type::kTime;
      if (as_text) {
        add_property.Bind(4, value.text);
      } else {
        add_property.Bind(4, std::int64_t{value.number});
      }
      add_property.Run();
      add_property.Reset();
    }
  }
  transaction.Commit();
}

std::string Describe(const std::string& filter, const std::vector<PropertyMap>& items) {
  std::ostringstream text;
  text << "filter: " << filter << '\n';
  for (std::size_t i = 0; i < items.size(); ++i) {
    text << "item " << i + 1 << ':';
    for (const auto& [name, value] : items[i]) {
      text << " [" << name << "] " << TypeName(value.type) << ' '
           << (value.type == PropertyValue::Type::kInteger || value.type == PropertyValue::Type::kBoolean
                   ? std::to_string(value.number)
                   : std::string("'").append(value.text).append("'"));
    }
    text << '\n';
  }
  return text.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzStore fuzz_store;
  fuzz::InputReader input(data, size);
  const std::vector<PropertyMap> items = ReadItems(input);
  const std::string filter(input.Rest());
  Fill(fuzz_store.session.Db(), items);
  const auto expected = fuzz::ReferenceSelect(filter, items);
  std::vector<std::int64_t> matching;
  try {
    store::FolderRow folder;
    folder.id = 1;
    store::ItemRows rows;
    matching = store::MatchingIds(fuzz_store.session, folder, store::Filter::Parse(filter), rows);
  } catch (const host::Error& error) {
    const std::string what = std::string(error.what()) + "\n" + Describe(filter, items);
    if (error.number() != store::kFilterError) fuzz::Broken("the store failed: " + what);
    if (expected) fuzz::Broken("the store refused a filter: " + what);
    return 0;
  }
  if (!expected) fuzz::Broken("the store took a text that is no filter\n" + Describe(filter, items));
  std::vector<std::int64_t> reference;
  for (std::size_t i = 0; i < expected->size(); ++i) {
    if ((*expected)[i]) reference.push_back(static_cast<std::int64_t>(i + 1));
  }
  if (matching != reference) fuzz::Broken("the store selected other items\n" + Describe(filter, items));
  return 0;
}
