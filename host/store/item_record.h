#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "host/store/property_values.h"
#include "host/store/store_rows.h"
#include "host/store/store_session.h"
#include "host/value.h"

namespace store {

class ItemChange;

// The item's own values kept in columns of its row.
enum class ItemColumn { kSubject, kBody, kCompanyName, kTimeSent, kTimeReceived, kSent, kUnread, kSubmitted };

// A named property's type and value.
struct PropertyValue {
  PropertyType type = PropertyType::kText;
  host::Value value;
};

// The column of the items table that keeps `column`, and the binding of a
// value to it (null for none).
const char* ColumnName(ItemColumn column);
void BindColumnValue(Statement& statement, int index, const host::Value& value);

// The statement that writes `rows` properties, each row five parameters
// from ?1 on: its item's id and folder, its name, type and value. It updates
// the properties their items have and adds those they lack, so nothing is
// read first; an (item, name) may be in one row only.
std::string PropertiesUpsertSql(std::size_t rows);
// Binds one row of it from the parameter `first` on.
void BindPropertyRow(Statement& statement, int first, const ItemRow& item, const std::string& name,
                     const PropertyValue& property);

// What a host object changed of an item and has not stored yet.
struct ItemChanges {
  std::map<ItemColumn, host::Value> columns;
  std::map<std::string, PropertyValue> properties;

  bool empty() const { return columns.empty() && properties.empty(); }
  // Tells `change` what these changes make of the item.
  void JournalTo(ItemChange& change) const;
};

// One host object's hold on an item (an Outlook item or a CDO message):
// reads see the store as it is now, overlaid with the changes made through
// this object; Store writes exactly those changes and nothing read earlier.
class ItemRecord {
 public:
  ItemRecord(std::shared_ptr<StoreSession> session, ItemRow row);
  // A new item of `message_class` for `folder` that is not stored yet: it
  // reads as empty until Store adds it with this object's changes.
  ItemRecord(std::shared_ptr<StoreSession> session, const FolderRow& folder, std::string message_class);

  // Takes the item's stored properties as read in read group `group` (a
  // selection reads its members' in one statement): they stand for the
  // item's while the session tells they are as read.
  void KeepStoredProperties(std::map<std::string, PropertyValue> properties, std::uint64_t group) {
    stored_properties_ = std::move(properties);
    read_group_ = group;
  }

  // Whether the item is in the store (always, but for a new one before Store).
  bool stored() const { return row_.id != 0; }

  // The item this object holds, and the store it lies in.
  const ItemRow& row() const { return row_; }
  const std::shared_ptr<StoreSession>& session() const { return session_; }

  // The named property as this object sees it, or nullopt when the item has
  // none (stored or added through this object).
  std::optional<PropertyValue> Property(const std::string& name);
  // Every named property as this object sees it, by name.
  std::map<std::string, PropertyValue> Properties();
  // The property's value, Empty when the item has none.
  host::Value PropertyOrEmpty(const std::string& name);
  // Records a change of the named property, kept until Store; `value` must
  // already be in the type's form (Convert).
  void SetProperty(const std::string& name, PropertyType type, host::Value value);
  // Converts `value` to the property's type (text when the item has none
  // yet) and records the change.
  void SetPropertyValue(const std::string& name, const host::Value& value);

  // A column value as this object sees it: text, a Boolean, a time or Null.
  // Throws host::Error (kNotFound) when the item no longer exists.
  host::Value Column(ItemColumn column);
  void SetColumn(ItemColumn column, const host::Value& value);

  // Writes this object's changes in one transaction and forgets them;
  // nothing happens when there are none. A new item is added with them. Throws host::Error, having written
  // nothing, when the write fails or the item no longer exists.
  void Store();
  // Deletes the item and its properties in one transaction; fails likewise,
  // and for a new item that was never stored.
  void Delete();

 private:
  // Every property the item has in the store, in one read.
  std::map<std::string, PropertyValue> ReadProperties();
  // The stored property by name, read in one statement.
  std::optional<PropertyValue> ReadProperty(const std::string& name);
  // The property `name` whose type and value are the statement's columns
  // `column` and `column` + 1.
  PropertyValue ReadPropertyValue(const Statement& statement, int column, const std::string& name);
  // Write this object's changes to the item `row`.
  void StoreColumns(std::int64_t id);
  void StoreProperties(const ItemRow& row);

  std::shared_ptr<StoreSession> session_;
  ItemRow row_;
  ItemChanges changes_;
  // The item's stored properties as read in the session's read group
  // `read_group_`: while the session tells they are as read (ItemAsRead),
  // they are exactly what the store holds, and the many reads of a
  // command's fields cost one.
  std::map<std::string, PropertyValue> stored_properties_;
  std::uint64_t read_group_ = 0;
};

// One named property of an item record, as either object model shows it
// (a mail-store property or a CDO field): reads and changes go to the record.
template <class Interface>
class RecordProperty : public Interface {
 public:
  RecordProperty(std::shared_ptr<ItemRecord> record, std::string name)
      : record_(std::move(record)), name_(std::move(name)) {}
  std::string Name() override { return name_; }
  host::Value Value() override { return record_->PropertyOrEmpty(name_); }
  void SetValue(const host::Value& value) override { record_->SetPropertyValue(name_, value); }

 private:
  std::shared_ptr<ItemRecord> record_;
  std::string name_;
};

}  // namespace store
