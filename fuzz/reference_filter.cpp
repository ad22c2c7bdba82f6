#include "fuzz/reference_filter.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>
#include <variant>

namespace fuzz {
namespace {

enum class Kind { kProperty, kString, kNumber, kOperator, kAnd, kOr, kNot, kOpen, kClose };

struct Token {
  Kind kind;
  std::string text;         // the property name, the string, or the operator
  std::int32_t number = 0;
};

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

std::string Upper(std::string word) {
  for (char& c : word) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return word;
}

// Each reader takes the token starting at text[i] and moves i past it;
// nullopt when it is no token of the language.
using Read = std::optional<Token>;

Read ReadString(std::string_view text, std::size_t& i) {
  const char quote = text[i];
  std::string value;
  for (++i; i < text.size(); ++i) {
    if (text[i] != quote) {
      value += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == quote) {
      value += quote;
      ++i;
    } else {
      ++i;
      return Token{Kind::kString, value};
    }
  }
  return std::nullopt;
}

Read ReadProperty(std::string_view text, std::size_t& i) {
  const std::size_t close = text.find(']', i);
  if (close == std::string_view::npos || close == i + 1) return std::nullopt;
  Token token{Kind::kProperty, std::string(text.substr(i + 1, close - i - 1))};
  i = close + 1;
  return token;
}

Read ReadNumber(std::string_view text, std::size_t& i) {
  const bool negative = text[i] == '-';
  if (negative) ++i;
  if (i == text.size() || !IsDigit(text[i])) return std::nullopt;
  std::int64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > 2147483648LL) return std::nullopt;
  }
  if (!negative && magnitude == 2147483648LL) return std::nullopt;
  return Token{Kind::kNumber, "", static_cast<std::int32_t>(negative ? -magnitude : magnitude)};
}

// Only the keywords are words of the language.
Read ReadWord(std::string_view text, std::size_t& i) {
  std::size_t end = i;
  while (end < text.size() && (IsLetter(text[end]) || IsDigit(text[end]))) ++end;
  const std::string word = Upper(std::string(text.substr(i, end - i)));
  i = end;
  if (word == "AND") return Token{Kind::kAnd, word};
  if (word == "OR") return Token{Kind::kOr, word};
  if (word == "NOT") return Token{Kind::kNot, word};
  return std::nullopt;
}

Read ReadOperator(std::string_view text, std::size_t& i) {
  std::string op(1, text[i]);
  const char next = i + 1 < text.size() ? text[i + 1] : '\0';
  if ((op == "<" && (next == '=' || next == '>')) || (op == ">" && next == '=')) op += next;
  i += op.size();
  return Token{Kind::kOperator, op};
}

Read ReadToken(std::string_view text, std::size_t& i) {
  const char c = text[i];
  if (c == '\'' || c == '"') return ReadString(text, i);
  if (c == '[') return ReadProperty(text, i);
  if (c == '-' || IsDigit(c)) return ReadNumber(text, i);
  if (IsLetter(c)) return ReadWord(text, i);
  if (c == '<' || c == '>' || c == '=') return ReadOperator(text, i);
  if (c != '(' && c != ')') return std::nullopt;
  ++i;
  return Token{c == '(' ? Kind::kOpen : Kind::kClose, std::string(1, c)};
}

// The whole text as tokens; nullopt at the first thing that is no token.
std::optional<std::vector<Token>> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  for (std::size_t i = 0;;) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) return tokens;
    Read token = ReadToken(text, i);
    if (!token) return std::nullopt;
    tokens.push_back(std::move(*token));
  }
}

// Three-valued truth: a comparison on a property the item lacks is unknown.
enum class Truth { kFalse, kUnknown, kTrue };

struct Expr {
  enum class Op { kCompare, kAnd, kOr, kNot } op = Op::kCompare;
  std::unique_ptr<Expr> left, right;
  std::string property;
  std::string comparison;
  std::variant<std::string, std::int32_t> literal;
  bool literal_first = false;
};

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  std::unique_ptr<Expr> ParseAll() {
    auto expr = Or();
    return expr && pos_ == tokens_.size() ? std::move(expr) : nullptr;
  }

 private:
  bool At(Kind kind) const { return pos_ < tokens_.size() && tokens_[pos_].kind == kind; }

  static std::unique_ptr<Expr> Combine(Expr::Op op, std::unique_ptr<Expr> left, std::unique_ptr<Expr> right) {
    if (!left || !right) return nullptr;
    auto expr = std::make_unique<Expr>();
    expr->op = op;
    expr->left = std::move(left);
    expr->right = std::move(right);
    return expr;
  }

  // next {keyword next}, joined left to right.
  using Level = std::unique_ptr<Expr> (Parser::*)();
  std::unique_ptr<Expr> Chain(Kind keyword, Expr::Op op, Level next) {
    auto expr = (this->*next)();
    while (expr && At(keyword)) {
      ++pos_;
      expr = Combine(op, std::move(expr), (this->*next)());
    }
    return expr;
  }

  std::unique_ptr<Expr> Or() { return Chain(Kind::kOr, Expr::Op::kOr, &Parser::And); }
  std::unique_ptr<Expr> And() { return Chain(Kind::kAnd, Expr::Op::kAnd, &Parser::Unary); }

  std::unique_ptr<Expr> Unary() {
    if (!At(Kind::kNot)) return Primary();
    ++pos_;
    auto operand = Unary();
    if (!operand) return nullptr;
    auto expr = std::make_unique<Expr>();
    expr->op = Expr::Op::kNot;
    expr->left = std::move(operand);
    return expr;
  }

  std::unique_ptr<Expr> Primary() {
    if (!At(Kind::kOpen)) return Comparison();
    if (open_ == 32) return nullptr;
    ++pos_;
    ++open_;
    auto expr = Or();
    --open_;
    if (!expr || !At(Kind::kClose)) return nullptr;
    ++pos_;
    return expr;
  }

  std::unique_ptr<Expr> Comparison() {
    if (pos_ + 3 > tokens_.size() || ++comparisons_ > 256) return nullptr;
    const Token& a = tokens_[pos_];
    const Token& op = tokens_[pos_ + 1];
    const Token& b = tokens_[pos_ + 2];
    const bool a_literal = a.kind == Kind::kString || a.kind == Kind::kNumber;
    const bool b_literal = b.kind == Kind::kString || b.kind == Kind::kNumber;
    if (op.kind != Kind::kOperator) return nullptr;
    auto expr = std::make_unique<Expr>();
    expr->comparison = op.text;
    if (a.kind == Kind::kProperty && b_literal) {
      expr->property = a.text;
      expr->literal = b.kind == Kind::kString ? decltype(expr->literal)(b.text) : b.number;
    } else if (a_literal && b.kind == Kind::kProperty) {
      expr->property = b.text;
      expr->literal = a.kind == Kind::kString ? decltype(expr->literal)(a.text) : a.number;
      expr->literal_first = true;
    } else {
      return nullptr;
    }
    pos_ += 3;
    return expr;
  }

  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
  int open_ = 0;
  int comparisons_ = 0;
};

// -1, 0 or 1 as a is less than, equal to or greater than b.
template <typename T>
int Order(const T& a, const T& b) {
  return a < b ? -1 : b < a ? 1 : 0;
}

bool Holds(const std::string& comparison, int order) {
  if (comparison == "=") return order == 0;
  if (comparison == "<>") return order != 0;
  if (comparison == "<") return order < 0;
  if (comparison == ">") return order > 0;
  if (comparison == "<=") return order <= 0;
  return order >= 0;
}

Truth Compare(const Expr& expr, const PropertyMap& item) {
  const auto found = item.find(expr.property);
  if (found == item.end()) return Truth::kUnknown;
  const PropertyValue& value = found->second;
  int order = 0;
  if (const auto* text = std::get_if<std::string>(&expr.literal)) {
    if (value.type != PropertyValue::Type::kText) return Truth::kUnknown;
    order = Order(value.text, *text);
  } else {
    if (value.type != PropertyValue::Type::kInteger && value.type != PropertyValue::Type::kBoolean) {
      return Truth::kUnknown;
    }
    order = Order(value.number, std::get<std::int32_t>(expr.literal));
  }
  return Holds(expr.comparison, expr.literal_first ? -order : order) ? Truth::kTrue : Truth::kFalse;
}

Truth Evaluate(const Expr& expr, const PropertyMap& item) {
  switch (expr.op) {
    case Expr::Op::kCompare:
      return Compare(expr, item);
    case Expr::Op::kNot: {
      const Truth inner = Evaluate(*expr.left, item);
      return inner == Truth::kUnknown ? inner : inner == Truth::kTrue ? Truth::kFalse : Truth::kTrue;
    }
    case Expr::Op::kAnd:
      return std::min(Evaluate(*expr.left, item), Evaluate(*expr.right, item));
    case Expr::Op::kOr:
      return std::max(Evaluate(*expr.left, item), Evaluate(*expr.right, item));
  }
  return Truth::kUnknown;
}

}  // namespace

std::optional<std::vector<bool>> ReferenceSelect(std::string_view filter, const std::vector<PropertyMap>& items) {
  auto tokens = Tokenize(filter);
  if (!tokens) return std::nullopt;
  const auto expr = Parser(std::move(*tokens)).ParseAll();
  if (!expr) return std::nullopt;
  std::vector<bool> selected;
  for (const PropertyMap& item : items) selected.push_back(Evaluate(*expr, item) == Truth::kTrue);
  return selected;
}

}  // namespace fuzz
