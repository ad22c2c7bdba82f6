#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace accounts {

// `value` as a filter literal: between apostrophes, an apostrophe inside
// doubled, so the literal always means exactly `value`.
std::string QuoteLiteral(const std::string& value);

// "[AccountID] = 'KEY'": the items whose key is exactly `key`.
std::string AccountIdFilter(const std::string& key);

// The whole number that a classic Basic integer conversion (CInt) makes of
// `text`: blanks around it and a sign allowed, a decimal fraction rounded
// half to even ("2.5" gives 2, "1.6" gives 2). Nothing when the text is not
// a number (letters, empty, a lone sign or point) or is outside -32768..32767.
std::optional<int> BasicInteger(std::string_view text);

// Whether the mail client's major version, the BasicInteger of the first two
// characters of `version`, is 11 or more; a version whose first two
// characters are not a number counts as 11 or more.
bool IsVersion11OrLater(const std::string& version);

}  // namespace accounts
