#include "reports/update_statement.h"

namespace reports {

std::string QuotedName(std::string_view name, std::string_view quote) {
  if (quote.empty()) return std::string(name);
  std::string quoted(quote);
  for (std::size_t at = 0; at < name.size();) {
    if (name.substr(at, quote.size()) == quote) {
      quoted.append(quote).append(quote);
      at += quote.size();
    } else {
      quoted += name[at++];
    }
  }
  quoted.append(quote);
  return quoted;
}

std::string SchemaQuery(std::string_view table, std::string_view quote) {
  const std::string column = QuotedName("FieldName", quote);
  std::string query = "Select ";
  query.append(column).append(" from ");
  query.append(QuotedName(std::string("Schema").append(table), quote));
  query.append(" order by ").append(column);
  return query;
}

void SetList::Add(std::string_view name, std::string value) {
  text_.append(text_.empty() ? "Set " : ", ").append(QuotedName(name, quote_)).append(" = ?");
  values_.emplace_back(std::move(value));
}

BoundStatement UpdateStatement(std::string_view table, const SetList& set_list,
                               const std::optional<std::string>& company,
                               std::string_view key_column, const std::string& key) {
  BoundStatement statement;
  statement.text = "update ";
  statement.text.append(QuotedName(table, set_list.quote())).append(" ").append(set_list.text());
  statement.values = set_list.values();
  if (company) {
    statement.text.append(",").append(QuotedName("COMPANY", set_list.quote())).append(" = ?");
    statement.values.emplace_back(*company);
  }
  statement.text.append(" where ").append(QuotedName(key_column, set_list.quote())).append(" = ?");
  statement.values.emplace_back(key);
  return statement;
}

}  // namespace reports
