#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/store/dialect.h"
#include "host/value.h"

namespace store {

// Error number of a filter text that cannot be parsed.
inline constexpr long kFilterError = -2147352567;

// A parsed restriction in the mail client's filter language:
// [Property] operands, = <> < > <= >=, string literals in apostrophes or
// double quotes (the quote doubled inside), integers, AND, OR, NOT in any
// letter case, and parentheses. Comparisons are exact (case-sensitive), and
// an item without the property never matches a comparison on it, negated or
// not.
class Filter {
 public:
  struct Node;

  // Parses a filter text. Throws host::Error (kFilterError) naming the
  // position and what was expected when the text is malformed.
  static Filter Parse(std::string_view text);

  // The filter "[property] = value", made without any text to parse.
  static Filter Equals(std::string property, host::Value value);

  // A SELECT that yields, in column 0 and in ascending order, the ids of the
  // items of one folder that match. Bind the folder's id as parameter 1 and
  // params()[i] as parameter i + 2. Written in `dialect`.
  struct Query {
    std::string sql;
    std::vector<host::Value> params;
  };
  Query CompileForFolder(const Dialect& dialect) const;
  // The same for the items of every subfolder of one folder, bound as
  // parameter 1 instead; the parameters are CompileForFolder's.
  Query CompileForSubfolders(const Dialect& dialect) const;
  // The same for the items of the folders whose ids are in the JSON array
  // of integers bound as parameter 1 (a tree read before).
  Query CompileForFolders(const Dialect& dialect) const;

  Filter(Filter&&) noexcept;
  Filter& operator=(Filter&&) noexcept;
  ~Filter();

 private:
  explicit Filter(std::unique_ptr<Node> root);
  std::unique_ptr<Node> root_;
};

}  // namespace store
