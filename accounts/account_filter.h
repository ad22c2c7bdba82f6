#pragma once

#include <string>

namespace accounts {

// `value` as a filter literal: between apostrophes, an apostrophe inside
// doubled, so the literal always means exactly `value`.
std::string QuoteLiteral(const std::string& value);

// "[AccountID] = 'KEY'": the items whose key is exactly `key`.
std::string AccountIdFilter(const std::string& key);

// Whether the mail client's major version, the number in the first two
// characters of `version`, is 11 or more; a version that does not start with
// a number counts as 11 or more.
bool IsVersion11OrLater(const std::string& version);

}  // namespace accounts
