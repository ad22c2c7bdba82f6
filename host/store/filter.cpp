#include "host/store/filter.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <utility>

#include "host/error.h"

namespace store {

// A comparison, or an AND / OR of two or more nodes. NOT never survives
// parsing: it is pushed down to the comparisons, so that each comparison
// only ever matches items that have the property.
struct Filter::Node {
  enum class Kind { kCompare, kAnd, kOr };
  enum class Op { kEq, kNe, kLt, kGt, kLe, kGe };
  // The stored types a literal can equal: a string compares with text, a
  // number with integers and Booleans, a time with times.
  enum class Rows { kText, kNumber, kTime };

  Kind kind = Kind::kCompare;
  std::string property;
  Op op = Op::kEq;
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

enum class TokenKind {
  kEnd, kProperty, kString, kNumber, kOperator, kAnd, kOr, kNot, kOpen, kClose, kWord, kOther
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::size_t offset = 0;
  std::size_t length = 0;
  std::string text;
  std::int32_t number = 0;
  Node::Op op = Node::Op::kEq;
};

// Positions are counted in characters, not bytes, so that a text with
// accented letters points at what its author sees.
std::size_t CharacterPosition(std::string_view text, std::size_t offset) {
  std::size_t position = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++position;
  }
  return position;
}

[[noreturn]] void Fail(std::string_view text, std::size_t offset, std::string_view what,
                       std::string_view detail = {}) {
  std::string message = "filter \"" + std::string(text) + "\": " + std::string(what) +
                        " at character " + std::to_string(CharacterPosition(text, offset));
  if (!detail.empty()) message += ", " + std::string(detail);
  throw host::Error(kFilterError, message);
}

bool IsWordStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordPart(char c) { return IsWordStart(c) || IsDigit(c); }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

bool EqualsIgnoringCase(std::string_view word, std::string_view keyword) {
  if (word.size() != keyword.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char c = word[i] >= 'a' && word[i] <= 'z' ? static_cast<char>(word[i] - 'a' + 'A') : word[i];
    if (c != keyword[i]) return false;
  }
  return true;
}

// Splits a filter text into tokens, one at a time, as the parser asks.
class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  Token Next() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    Token token;
    token.offset = pos_;
    if (pos_ < text_.size()) Lex(token);
    token.length = pos_ - token.offset;
    return token;
  }

 private:
  void Lex(Token& token) {
    const char c = text_[pos_];
    if (c == '\'' || c == '"') return LexQuoted(token, c);
    if (c == '[') return LexProperty(token);
    if (c == '-' || IsDigit(c)) return LexNumber(token);
    if (IsWordStart(c)) return LexWord(token);
    if (LexOperator(token)) return;
    token.kind = c == '(' ? TokenKind::kOpen : c == ')' ? TokenKind::kClose : TokenKind::kOther;
    ++pos_;
    // One character, even when it takes several bytes, for the message.
    while (pos_ < text_.size() && (static_cast<unsigned char>(text_[pos_]) & 0xC0) == 0x80) ++pos_;
  }

  void LexQuoted(Token& token, char quote) {
    token.kind = TokenKind::kString;
    for (++pos_;; ++pos_) {
      if (pos_ >= text_.size()) Fail(text_, token.offset, "unterminated string starting");
      if (text_[pos_] != quote) {
        token.text += text_[pos_];
      } else if (pos_ + 1 < text_.size() && text_[pos_ + 1] == quote) {
        token.text += quote;
        ++pos_;
      } else {
        ++pos_;
        return;
      }
    }
  }

  void LexProperty(Token& token) {
    const std::size_t close = text_.find(']', pos_);
    if (close == std::string_view::npos) {
      Fail(text_, pos_, "unterminated property name starting", "expected ']'");
    }
    if (close == pos_ + 1) Fail(text_, pos_, "empty property name");
    token.kind = TokenKind::kProperty;
    token.text = std::string(text_.substr(pos_ + 1, close - pos_ - 1));
    pos_ = close + 1;
  }

  void LexNumber(Token& token) {
    std::size_t end = pos_ + (text_[pos_] == '-' ? 1 : 0);
    if (end >= text_.size() || !IsDigit(text_[end])) Fail(text_, pos_, "expected digits after '-'");
    while (end < text_.size() && IsDigit(text_[end])) ++end;
    const auto [last, error] = std::from_chars(text_.data() + pos_, text_.data() + end, token.number);
    if (error != std::errc() || last != text_.data() + end) {
      Fail(text_, pos_, "number out of range", "expected -2147483648 to 2147483647");
    }
    token.kind = TokenKind::kNumber;
    pos_ = end;
  }

  void LexWord(Token& token) {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && IsWordPart(text_[pos_])) ++pos_;
    const std::string_view word = text_.substr(start, pos_ - start);
    token.kind = EqualsIgnoringCase(word, "AND")  ? TokenKind::kAnd
                 : EqualsIgnoringCase(word, "OR") ? TokenKind::kOr
                 : EqualsIgnoringCase(word, "NOT") ? TokenKind::kNot
                                                   : TokenKind::kWord;
  }

  bool LexOperator(Token& token) {
    static constexpr struct {
      std::string_view text;
      Node::Op op;
    } kOperators[] = {{"<>", Node::Op::kNe}, {"<=", Node::Op::kLe}, {">=", Node::Op::kGe},
                      {"=", Node::Op::kEq},  {"<", Node::Op::kLt},  {">", Node::Op::kGt}};
    for (const auto& candidate : kOperators) {
      if (text_.substr(pos_, candidate.text.size()) == candidate.text) {
        token.kind = TokenKind::kOperator;
        token.op = candidate.op;
        pos_ += candidate.text.size();
        return true;
      }
    }
    return false;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

Node::Op Negated(Node::Op op) {
  switch (op) {
    case Node::Op::kEq: return Node::Op::kNe;
    case Node::Op::kNe: return Node::Op::kEq;
    case Node::Op::kLt: return Node::Op::kGe;
    case Node::Op::kGe: return Node::Op::kLt;
    case Node::Op::kGt: return Node::Op::kLe;
    case Node::Op::kLe: return Node::Op::kGt;
  }
  throw std::logic_error("unknown comparison operator");
}

// The operator that keeps the meaning when the operands change sides.
Node::Op Mirrored(Node::Op op) {
  switch (op) {
    case Node::Op::kLt: return Node::Op::kGt;
    case Node::Op::kGt: return Node::Op::kLt;
    case Node::Op::kLe: return Node::Op::kGe;
    case Node::Op::kGe: return Node::Op::kLe;
    default: return op;
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

NodePtr MakeComparison(std::string property, Node::Op op, host::Value value) {
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
    if (token_.kind != TokenKind::kEnd) Expected("AND, OR or the end of the text");
    return root;
  }

 private:
  void Advance() { token_ = lexer_.Next(); }

  [[noreturn]] void Expected(std::string_view what) const {
    std::string found = token_.kind == TokenKind::kEnd      ? "the end of the text"
                        : token_.kind == TokenKind::kString ? "a string"
                        : "'" + std::string(text_.substr(token_.offset, token_.length)) + "'";
    Fail(text_, token_.offset, "expected " + std::string(what), "found " + found);
  }

  NodePtr ParseOr(int depth) {
    NodePtr node = ParseAnd(depth);
    while (token_.kind == TokenKind::kOr) {
      Advance();
      node = Join(Node::Kind::kOr, std::move(node), ParseAnd(depth));
    }
    return node;
  }

  NodePtr ParseAnd(int depth) {
    NodePtr node = ParseUnary(depth);
    while (token_.kind == TokenKind::kAnd) {
      Advance();
      node = Join(Node::Kind::kAnd, std::move(node), ParseUnary(depth));
    }
    return node;
  }

  NodePtr ParseUnary(int depth) {
    bool negated = false;
    for (; token_.kind == TokenKind::kNot; Advance()) negated = !negated;
    NodePtr node = ParsePrimary(depth);
    if (negated) Negate(*node);
    return node;
  }

  NodePtr ParsePrimary(int depth) {
    if (token_.kind != TokenKind::kOpen) return ParseComparison();
    if (depth == kMaxNesting) {
      Fail(text_, token_.offset, "parentheses nested too deeply",
           "at most " + std::to_string(kMaxNesting) + " levels");
    }
    Advance();
    NodePtr node = ParseOr(depth + 1);
    if (token_.kind != TokenKind::kClose) Expected("AND, OR or ')'");
    Advance();
    return node;
  }

  NodePtr ParseComparison() {
    const bool property_first = token_.kind == TokenKind::kProperty;
    if (!property_first && token_.kind != TokenKind::kString && token_.kind != TokenKind::kNumber) {
      Expected("a comparison");
    }
    if (++comparisons_ > kMaxComparisons) {
      Fail(text_, token_.offset, "too many comparisons",
           "at most " + std::to_string(kMaxComparisons));
    }
    const Token first = token_;
    Advance();
    if (token_.kind != TokenKind::kOperator) Expected("a comparison operator");
    const Node::Op op = token_.op;
    Advance();
    if (property_first && token_.kind != TokenKind::kString && token_.kind != TokenKind::kNumber) {
      Expected("a string or a number");
    }
    if (!property_first && token_.kind != TokenKind::kProperty) {
      Expected("a property name in brackets");
    }
    const Token second = token_;
    Advance();
    const Token& property = property_first ? first : second;
    const Token& value = property_first ? second : first;
    return MakeComparison(property.text, property_first ? op : Mirrored(op),
                          value.kind == TokenKind::kNumber ? host::Value(value.number)
                                                           : host::Value(value.text));
  }

  std::string_view text_;
  Lexer lexer_;
  Token token_;
  int comparisons_ = 0;
};

const char* OperatorSql(Node::Op op) {
  switch (op) {
    case Node::Op::kEq: return "=";
    case Node::Op::kNe: return "<>";
    case Node::Op::kLt: return "<";
    case Node::Op::kGt: return ">";
    case Node::Op::kLe: return "<=";
    case Node::Op::kGe: return ">=";
  }
  throw std::logic_error("unknown comparison operator");
}

const char* RowsSql(Node::Rows rows) {
  switch (rows) {
    case Node::Rows::kText: return "type = 'text'";
    case Node::Rows::kNumber: return "type IN ('integer', 'boolean')";
    case Node::Rows::kTime: return "type = 'time'";
  }
  throw std::logic_error("unknown row type");
}

// Property name and literal go in as parameters, never into the SQL text.
std::string ComparisonSql(const Node& node, std::vector<host::Value>& params) {
  const std::string name = "?" + std::to_string(params.size() + 2);
  const std::string value = "?" + std::to_string(params.size() + 3);
  params.emplace_back(node.property);
  params.push_back(node.literal);
  return "SELECT item FROM properties WHERE folder = ?1 AND name = " + name + " AND value " +
         OperatorSql(node.op) + " " + value + " AND " + RowsSql(node.rows);
}

// SQLite has no parentheses for compound SELECTs: a nested AND or OR
// becomes a subquery.
std::string NodeSql(const Node& node, std::vector<host::Value>& params) {
  if (node.kind == Node::Kind::kCompare) return ComparisonSql(node, params);
  std::string sql;
  for (const auto& child : node.children) {
    if (!sql.empty()) sql += node.kind == Node::Kind::kAnd ? " INTERSECT " : " UNION ";
    sql += child->kind == Node::Kind::kCompare ? ComparisonSql(*child, params)
                                               : "SELECT item FROM (" + NodeSql(*child, params) + ")";
  }
  return sql;
}

}  // namespace

Filter Filter::Parse(std::string_view text) { return Filter(Parser(text).ParseAll()); }

Filter Filter::Equals(std::string property, host::Value value) {
  return Filter(MakeComparison(std::move(property), Node::Op::kEq, std::move(value)));
}

Filter::Query Filter::CompileForFolder() const {
  if (!root_) throw std::logic_error("compiling a moved-from filter");
  Query query;
  const std::string sql = NodeSql(*root_, query.params);
  query.sql = root_->kind == Node::Kind::kCompare ? sql + " ORDER BY item"
                                                  : "SELECT item FROM (" + sql + ") ORDER BY item";
  return query;
}

Filter::Filter(std::unique_ptr<Node> root) : root_(std::move(root)) {}
Filter::Filter(Filter&&) noexcept = default;
Filter& Filter::operator=(Filter&&) noexcept = default;
Filter::~Filter() = default;

}  // namespace store
