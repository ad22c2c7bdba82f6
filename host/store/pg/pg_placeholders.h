#pragma once

#include <string>
#include <string_view>

namespace store::pg {

// A statement written with SQLite's parameters, in PostgreSQL's spelling.
struct Translated {
  std::string sql;
  int parameters = 0;  // the highest parameter number it uses
};

// Rewrites the parameters of `sql` as PostgreSQL numbers them: ?N becomes
// $N, and a bare ? the number after the highest one so far (SQLite's rule).
// Text in string literals ('...'), quoted names ("..."), comments and
// dollar-quoted strings is left as it is.
Translated TranslatePlaceholders(std::string_view sql);

}  // namespace store::pg
