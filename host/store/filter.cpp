#include "host/store/filter.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

#include "host/store/filter_lexer.h"

namespace store {

// A comparison, or an AND / OR of two or more nodes. NOT never survives
// parsing: it is pushed down to the comparisons, so that each comparison
// only ever matches items that have the property.
struct Filter::Node {
  enum class Kind { kCompare, kAnd, kOr };
  // The stored types a literal can equal: a string compares with text, a
  // number with integers and Booleans, a time with times.
  enum class Rows { kText, kNumber, kTime };

  Kind kind = Kind::kCompare;
  std::string property;
  FilterOp op = FilterOp::kEq;
  Rows rows = Rows::kText;
  host::Value literal;
  std::vector<std::unique_ptr<Node>> children;
};

namespace {

using Node = Filter::Node;
using NodePtr = std::unique_ptr<Node>;

// Bounds that keep parsing off deep recursion and the compiled query inside
// SQLite's limit on the terms of one compound SELECT.
constexpr int kMaxNesting = 32;
constexpr int kMaxComparisons = 256;

FilterOp Negated(FilterOp op) {
  switch (op) {
    case FilterOp::kEq:
      return FilterOp::kNe;
    case FilterOp::kNe:
      return FilterOp::kEq;
    case FilterOp::kLt:
      return FilterOp::kGe;
    case FilterOp::kGe:
      return FilterOp::kLt;
    case FilterOp::kGt:
      return FilterOp::kLe;
    case FilterOp::kLe:
      return FilterOp::kGt;
  }
  throw std::logic_error("unknown comparison operator");
}

// The operator that keeps the meaning when the operands change sides.
FilterOp Mirrored(FilterOp op) {
  switch (op) {
    case FilterOp::kLt:
      return FilterOp::kGt;
    case FilterOp::kGt:
      return FilterOp::kLt;
    case FilterOp::kLe:
      return FilterOp::kGe;
    case FilterOp::kGe:
      return FilterOp::kLe;
    default:
      return op;
  }
}

// De Morgan: NOT (a AND b) is NOT a OR NOT b, and the other way round.
void Negate(Node& node) {
  if (node.kind == Node::Kind::kCompare) {
    node.op = Negated(node.op);
    return;
  }
  node.kind = node.kind == Node::Kind::kAnd ? Node::Kind::kOr : Node::Kind::kAnd;
  for (auto& child : node.children) Negate(*child);
}

// Joins two nodes under `kind`, flattening runs of the same kind.
NodePtr Join(Node::Kind kind, NodePtr left, NodePtr right) {
  auto joined = left->kind == kind ? std::move(left) : std::make_unique<Node>();
  if (joined->kind != kind) {
    joined->kind = kind;
    joined->children.push_back(std::move(left));
  }
  if (right->kind == kind) {
    for (auto& child : right->children) joined->children.push_back(std::move(child));
  } else {
    joined->children.push_back(std::move(right));
  }
  return joined;
}

NodePtr MakeComparison(std::string property, FilterOp op, host::Value value) {
  auto node = std::make_unique<Node>();
  node->property = std::move(property);
  node->op = op;
  // The store has no floating-point type, so a double can only equal text.
  struct Visitor {
    Node& node;
    void operator()(const std::string& text) const { node.literal = text; }
    void operator()(std::int32_t number) const { Number(number); }
    void operator()(bool flag) const { Number(flag ? 1 : 0); }
    void operator()(host::LocalTime time) const { Set(Node::Rows::kTime, host::ToText(time)); }
    void operator()(double number) const { node.literal = host::ToText(number); }
    void operator()(host::Empty) const { node.literal = std::string(); }
    void operator()(host::Null) const { node.literal = std::string(); }
    void Number(std::int32_t number) const { Set(Node::Rows::kNumber, number); }
    void Set(Node::Rows rows, host::Value literal) const {
      node.rows = rows;
      node.literal = std::move(literal);
    }
  };
  std::visit(Visitor{*node}, value);
  return node;
}

// Recursive descent over: or := and {OR and}; and := unary {AND unary};
// unary := {NOT} primary; primary := '(' or ')' | comparison.
class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text), lexer_(text) { token_ = lexer_.Next(); }

  NodePtr ParseAll() {
    NodePtr root = ParseOr(0);
    if (token_.kind != FilterTokenKind::kEnd) Expected("AND, OR or the end of the text");
    return root;
  }

 private:
  void Advance() { token_ = lexer_.Next(); }

  [[noreturn]] void Expected(std::string_view what) const {
    std::string found = "'" + std::string(text_.substr(token_.offset, token_.length)) + "'";
    if (token_.kind == FilterTokenKind::kEnd) found = "the end of the text";
    if (token_.kind == FilterTokenKind::kString) found = "a string";
    if (token_.length == 1 && static_cast<unsigned char>(text_[token_.offset]) >= 0x80) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      const auto byte = static_cast<unsigned char>(text_[token_.offset]);
      found = std::string("the byte 0x") + kHex[byte >> 4] + kHex[byte & 0xF];
    }
    FailFilter(text_, token_.offset, "expected " + std::string(what), "found " + found);
  }

  NodePtr ParseOr(int depth) {
    NodePtr node = ParseAnd(depth);
    while (token_.kind == FilterTokenKind::kOr) {
      Advance();
      node = Join(Node::Kind::kOr, std::move(node), ParseAnd(depth));
    }
    return node;
  }

  NodePtr ParseAnd(int depth) {
    NodePtr node = ParseUnary(depth);
    while (token_.kind == FilterTokenKind::kAnd) {
      Advance();
      node = Join(Node::Kind::kAnd, std::move(node), ParseUnary(depth));
    }
    return node;
  }

  NodePtr ParseUnary(int depth) {
    bool negated = false;
    for (; token_.kind == FilterTokenKind::kNot; Advance()) negated = !negated;
    NodePtr node = ParsePrimary(depth);
    if (negated) Negate(*node);
    return node;
  }

  NodePtr ParsePrimary(int depth) {
    if (token_.kind != FilterTokenKind::kOpen) return ParseComparison();
    if (depth == kMaxNesting) {
      FailFilter(text_, token_.offset, "parentheses nested too deeply",
                 "at most " + std::to_string(kMaxNesting) + " levels");
    }
    Advance();
    NodePtr node = ParseOr(depth + 1);
    if (token_.kind != FilterTokenKind::kClose) Expected("AND, OR or ')'");
    Advance();
    return node;
  }

  NodePtr ParseComparison() {
    const bool property_first = token_.kind == FilterTokenKind::kProperty;
    if (!property_first && token_.kind != FilterTokenKind::kString &&
        token_.kind != FilterTokenKind::kNumber) {
      Expected("a comparison");
    }
    if (++comparisons_ > kMaxComparisons) {
      FailFilter(text_, token_.offset, "too many comparisons",
                 "at most " + std::to_string(kMaxComparisons));
    }
    const FilterToken first = token_;
    Advance();
    if (token_.kind != FilterTokenKind::kOperator) Expected("a comparison operator");
    const FilterOp op = token_.op;
    Advance();
    if (property_first && token_.kind != FilterTokenKind::kString &&
        token_.kind != FilterTokenKind::kNumber) {
      Expected("a string or a number");
    }
    if (!property_first && token_.kind != FilterTokenKind::kProperty) {
      Expected("a property name in brackets");
    }
    const FilterToken second = token_;
    Advance();
    const FilterToken& property = property_first ? first : second;
    const FilterToken& value = property_first ? second : first;
    return MakeComparison(
        property.text, property_first ? op : Mirrored(op),
        value.kind == FilterTokenKind::kNumber ? host::Value(value.number) : host::Value(value.text));
  }

  std::string_view text_;
  FilterLexer lexer_;
  FilterToken token_;
  int comparisons_ = 0;
};

const char* OperatorSql(FilterOp op) {
  switch (op) {
    case FilterOp::kEq:
      return "=";
    case FilterOp::kNe:
      return "<>";
    case FilterOp::kLt:
      return "<";
    case FilterOp::kGt:
      return ">";
    case FilterOp::kLe:
      return "<=";
    case FilterOp::kGe:
      return ">=";
  }
  throw std::logic_error("unknown comparison operator");
}

const char* RowsSql(Node::Rows rows) {
  switch (rows) {
    case Node::Rows::kText:
      return "type = 'text'";
    case Node::Rows::kNumber:
      return "type IN ('integer', 'boolean')";
    case Node::Rows::kTime:
      return "type = 'time'";
  }
  throw std::logic_error("unknown row type");
}

// "?n". Appended rather than prepended: GCC 12 at -O3 misreads inserting a
// literal before a temporary string as an overlapping copy (-Wrestrict).
std::string Placeholder(std::size_t index) {
  std::string text = "?";
  text += std::to_string(index);
  return text;
}

// The names whose values properties_by_key holds, each as it is written in
// the index's condition; nullptr for any other name.
const char* KeyLiteral(const std::string& name) {
  if (name == "AccountID") return "'AccountID'";
  if (name == "Account LocationID") return "'Account LocationID'";
  return nullptr;
}

// The literal goes in as a parameter, never into the SQL text, and so does
// any name but the two keys. A key is written as the index's condition
// writes it: SQLite must see that the condition holds to use the index, and
// it would plan a statement whose name is bound anew at every bind. Any
// other name is looked up item by item in the folder, and the index is
// named: weighing the key index, SQLite would compare the bound name with
// its condition and again plan the statement at every bind.
// `folders` is the condition on a row's folder: " = ?1" or " IN (...)".
std::string ComparisonSql(const Dialect& dialect, const Node& node, const char* folders,
                          std::vector<host::Value>& params) {
  const char* key = KeyLiteral(node.property);
  std::string sql = "SELECT item FROM properties";
  if (key != nullptr) {
    sql.append(dialect.by_key_index).append(" WHERE folder").append(folders).append(" AND name = ").append(key);
  } else {
    sql.append(dialect.by_item_index)
        .append(" WHERE item IN (SELECT id FROM items WHERE folder")
        .append(folders)
        .append(") AND name = ")
        .append(Placeholder(params.size() + 2));
    params.emplace_back(node.property);
  }
  sql.append(" AND ")
      .append(node.rows == Node::Rows::kNumber ? dialect.number_value : "value")
      .append(" ")
      .append(OperatorSql(node.op))
      .append(" ")
      .append(Placeholder(params.size() + 2));
  params.push_back(node.literal);
  return sql.append(" AND ").append(RowsSql(node.rows));
}

// SQLite has no parentheses for compound SELECTs: a nested AND or OR
// becomes a subquery, named as PostgreSQL requires.
std::string NodeSql(const Dialect& dialect, const Node& node, const char* folders, std::vector<host::Value>& params) {
  if (node.kind == Node::Kind::kCompare) return ComparisonSql(dialect, node, folders, params);
  std::string sql;
  for (const auto& child : node.children) {
    if (!sql.empty()) sql += node.kind == Node::Kind::kAnd ? " INTERSECT " : " UNION ";
    sql += child->kind == Node::Kind::kCompare
               ? ComparisonSql(dialect, *child, folders, params)
               : "SELECT item FROM (" + NodeSql(dialect, *child, folders, params) + ") AS n";
  }
  return sql;
}

Filter::Query Compile(const Dialect& dialect, const Node* root, const char* folders) {
  if (root == nullptr) throw std::logic_error("compiling a moved-from filter");
  Filter::Query query;
  const std::string sql = NodeSql(dialect, *root, folders, query.params);
  query.sql = root->kind == Node::Kind::kCompare ? sql + " ORDER BY item"
                                                 : "SELECT item FROM (" + sql + ") AS n ORDER BY item";
  return query;
}

}  // namespace

Filter Filter::Parse(std::string_view text) { return Filter(Parser(text).ParseAll()); }

Filter Filter::Equals(std::string property, host::Value value) {
  return Filter(MakeComparison(std::move(property), FilterOp::kEq, std::move(value)));
}

Filter::Query Filter::CompileForFolder(const Dialect& dialect) const { return Compile(dialect, root_.get(), " = ?1"); }

Filter::Query Filter::CompileForSubfolders(const Dialect& dialect) const {
  return Compile(dialect, root_.get(), " IN (SELECT id FROM folders WHERE parent = ?1)");
}

Filter::Query Filter::CompileForFolders(const Dialect& dialect) const {
  return Compile(dialect, root_.get(), dialect.in_json_ids);
}

Filter::Filter(std::unique_ptr<Node> root) : root_(std::move(root)) {}
Filter::Filter(Filter&&) noexcept = default;
Filter& Filter::operator=(Filter&&) noexcept = default;
Filter::~Filter() = default;

}  // namespace store
