#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace host {

// The byte offset of the first byte of `text` that is not part of a
// well-formed UTF-8 sequence (overlong forms, surrogates and code points
// above U+10FFFF included); nullopt when all of `text` is UTF-8.
std::optional<std::size_t> FirstInvalidUtf8(std::string_view text);

// The length of the UTF-8 `text` in UTF-16 code units, the length the
// spreadsheet's own strings have: one for each character, two for one
// beyond U+FFFF.
std::size_t Utf16Length(std::string_view text);

}  // namespace host
