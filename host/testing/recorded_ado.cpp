#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/testing/recorded.h"

namespace host::testing {
namespace {

class RecordedConnection : public Recorded<ado::Connection> {
 public:
  using Recorded::Recorded;
  void SetMode(int mode) override { Forward("SetMode", &Connection::SetMode, mode); }
  int Mode() const override { return inner_->Mode(); }
  void Open(const std::string& source, const std::string& user, const std::string& password,
            int options) override {
    Forward("Open", &Connection::Open, source, user, password, options);
  }
  void Execute(const std::string& statement) override {
    Enter("Execute", statement);
    inner_->Execute(statement);
  }
  void Execute(const std::string& statement,
               const std::vector<std::optional<std::string>>& parameters) override {
    Enter("Execute", statement, parameters);
    inner_->Execute(statement, parameters);
  }
  std::string IdentifierQuote() override {
    return Forward("IdentifierQuote", &Connection::IdentifierQuote);
  }
  void Close() override { Forward("Close", &Connection::Close); }

  const Ref<ado::Connection>& inner() const { return inner_; }
};

class RecordedRecordset : public Recorded<ado::Recordset> {
 public:
  using Recorded::Recorded;
  void SetCursorType(int cursor_type) override {
    Forward("SetCursorType", &Recordset::SetCursorType, cursor_type);
  }
  void Open(const std::string& source, Ref<ado::Connection> connection) override {
    Enter("Open", source);
    const auto recorded = std::dynamic_pointer_cast<RecordedConnection>(connection.shared());
    inner_->Open(source, recorded ? recorded->inner() : connection);
  }
  void MoveFirst() override { Forward("MoveFirst", &Recordset::MoveFirst); }
  void MoveNext() override { Forward("MoveNext", &Recordset::MoveNext); }
  bool Eof() override { return Forward("Eof", &Recordset::Eof); }
  std::optional<std::string> Fields(int index) override {
    return Forward("Fields", &Recordset::Fields, index);
  }
  host::Value Value(int index) override { return Forward("Value", &Recordset::Value, index); }
  int FieldCount() override { return Forward("FieldCount", &Recordset::FieldCount); }
  std::string FieldName(int index) override {
    return Forward("FieldName", &Recordset::FieldName, index);
  }
  ado::ColumnType FieldType(int index) override {
    return Forward("FieldType", &Recordset::FieldType, index);
  }
  long RecordCount() override { return Forward("RecordCount", &Recordset::RecordCount); }
  void Close() override { Forward("Close", &Recordset::Close); }
};

}  // namespace

Ref<ado::Connection> RecordConnection(const Ref<ado::Connection>& connection,
                                      std::shared_ptr<CallLog> log) {
  return Record<RecordedConnection>(connection, std::move(log), "Connection");
}

Ref<ado::Recordset> RecordRecordset(const Ref<ado::Recordset>& recordset,
                                    std::shared_ptr<CallLog> log) {
  return Record<RecordedRecordset>(recordset, std::move(log), "Recordset");
}

}  // namespace host::testing
