#include <cctype>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/form1.h"
#include "host/ado.h"
#include "reports/reports_source.h"
#include "reports/update_statement.h"

namespace app {
namespace {

constexpr int kStaticCursor = 3;
constexpr char kFixedFieldList[] = "Account Name,Account Manager,Team,Alignment";
// The quote of standard SQL, for an engine that does not say its own.
constexpr char kStandardQuote[] = "\"";

// The names of a field list text; an empty text has none.
std::vector<std::string> SplitFieldList(const std::string& text) {
  std::vector<std::string> names;
  if (text.empty()) return names;
  std::size_t start = 0;
  for (std::size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1) {
    names.push_back(text.substr(start, comma - start));
  }
  names.push_back(text.substr(start));
  return names;
}

bool IsContactFolder(const std::string& default_message_class) {
  std::string kind = default_message_class.substr(0, 8);
  for (char& c : kind) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return kind == "IPM.CONT";
}

void TraceSent(std::ostream* trace, const reports::BoundStatement& statement) {
  if (trace == nullptr) return;
  *trace << "trace: RecurseUpdate: sending " << statement.text;
  const char* separator = " with ";
  for (const auto& value : statement.values) {
    *trace << separator << (value ? '"' + *value + '"' : std::string("null"));
    separator = ", ";
  }
  *trace << '\n';
}

}  // namespace

void Form1::Update() {
  host::ResumeNext on_error("Update", trace_);
  RefuseEmptyKey(3);
  on_error([&] { myitem = objSession->GetMessage(Param(1), HostFolder->StoreID()); });
  if (myitem.IsNothing()) {
    EndRun(Outcome::kNotDone, "the account item was not opened: " + on_error.Description());
  }
  DoEvents();
  on_error([&] { RecurseUpdate(Param(3), safeFolder); });
  DoEvents();
  myitem.Reset();
  ProgramEnd();
}

std::vector<std::string> Form1::UpdateFieldList() const {
  if (myParam.size() > 7 && !myParam[7].empty()) return SplitFieldList(kFixedFieldList);
  return SplitFieldList(Param(5));
}

void Form1::RecurseUpdate(std::string pNewID, host::Ref<host::omg::SafeFolder>& pfolder) {
  host::ResumeNext on_error("RecurseUpdate", trace_);
  host::Ref<host::ado::Connection> connection;
  on_error([&] { connection = platform_.CreateAdodbConnection(); });
  on_error([&] { connection->SetMode(reports::kReadWrite); });
  if (!on_error([&] { connection->Open(reports::kReportsSource, "", "", reports::kUnspecified); })) {
    NoteReportsFailure(on_error.Description());
  }
  std::string quote = kStandardQuote;
  on_error([&] { quote = connection->IdentifierQuote(); });
  // Without a field list every statement has no assignments.
  std::vector<std::string> field_list;
  on_error([&] { field_list = UpdateFieldList(); });

  DoEvents();
  host::Ref<host::ado::Recordset> schema;
  on_error([&] { schema = platform_.CreateAdodbRecordset(); });
  on_error([&] { schema->SetCursorType(kStaticCursor); });

  ForEachSubfolder(
      pfolder, on_error,
      [&](const host::Ref<host::outlook::MAPIFolder>& folder) {
        return UpdateFolderTable(pNewID, folder, connection, schema, field_list, quote, on_error);
      },
      [&](host::Ref<host::omg::SafeFolder>& wrapper) { RecurseUpdate(pNewID, wrapper); });
  on_error([&] { connection->Close(); });
  on_error([&] { schema->Close(); });
  ReleaseWalkObjects();
}

bool Form1::UpdateFolderTable(const std::string& key,
                              const host::Ref<host::outlook::MAPIFolder>& folder,
                              const host::Ref<host::ado::Connection>& connection,
                              const host::Ref<host::ado::Recordset>& schema,
                              const std::vector<std::string>& field_list, const std::string& quote,
                              host::ResumeNext& on_error) {
  std::string name;
  on_error([&] { name = folder->Name(); });
  on_error([&] { schema->Close(); });
  const std::string query = reports::SchemaQuery(name, quote);
  TraceSent(trace_, {query, {}});
  if (!on_error([&] { schema->Open(query, connection); })) {
    // Only a folder without a schema table has no table to update, and a
    // closed connection has counted already. Any other failure (a locked
    // database) leaves the table out of date: a refusal.
    const long number = on_error.Number();
    if (number == host::ado::kNoTable || number == host::ado::kObjectClosed) return true;
    NoteReportsFailure("table \"" + name + "\": " + on_error.Description());
    return false;
  }
  reports::SetList set_list(quote);
  AddSchemaListed(schema, field_list, set_list, on_error);

  if (myParam.size() > 4 && Param(4) == name) return true;
  reports::BoundStatement statement;
  const bool made = on_error([&] {
    std::optional<std::string> company;
    if (IsContactFolder(folder->DefaultMessageClass())) {
      company = host::ToText(myitem->Fields()->Item("Account Name")->Value());
    }
    statement = reports::UpdateStatement(name, set_list, company, Param(2), key);
  });
  if (!made && !set_list.empty()) {
    // Sent empty, it would be refused for no reason of the database's.
    NoteReportsFailure("table \"" + name + "\": no statement was made: " + on_error.Description());
    return false;
  }
  on_error.Clear();
  if (statement.text.empty() && set_list.empty()) return true;
  TraceSent(trace_, statement);
  if (on_error([&] { connection->Execute(statement.text, statement.values); })) return true;
  // A statement without assignments is refused in ordinary data: its folder
  // table mirrors none of the fields asked for.
  if (!set_list.empty()) NoteReportsFailure("table \"" + name + "\": " + on_error.Description());
  return false;
}

void Form1::AddSchemaListed(const host::Ref<host::ado::Recordset>& schema, const std::vector<std::string>& field_list,
                            reports::SetList& set_list, host::ResumeNext& on_error) {
  for (const std::string& field : field_list) {
    on_error([&] { schema->MoveFirst(); });
    for (bool at_end = true; on_error([&] { at_end = schema->Eof(); }) && !at_end;) {
      std::optional<std::string> listed;
      on_error([&] { listed = schema->Fields(0); });
      // An account without that field leaves it out.
      if (listed == field) {
        on_error([&] { set_list.Add(field, host::ToText(myitem->Fields()->Item(field)->Value())); });
      }
      if (!on_error([&] { schema->MoveNext(); })) break;
    }
  }
}

}  // namespace app
