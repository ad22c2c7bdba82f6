#include "host/sheet/cell_address.h"

#include <cctype>

namespace sheet {
namespace {

// Longer runs of letters or digits name no cell; reading stops after one more.
constexpr std::size_t kMostLetters = 3;
constexpr std::size_t kMostDigits = 7;

}  // namespace

std::string CellName(long row, long column) {
  std::string letters;
  for (long rest = column; rest > 0; rest = (rest - 1) / 26) {
    letters.insert(letters.begin(), static_cast<char>('A' + (rest - 1) % 26));
  }
  return letters + std::to_string(row);
}

bool ParseCellAddress(const std::string& address, long& row, long& column) {
  std::size_t at = 0;
  const auto skip_dollar = [&] {
    if (at < address.size() && address[at] == '$') ++at;
  };
  skip_dollar();
  long letters_value = 0;
  const std::size_t letters_start = at;
  for (; at < address.size() && at - letters_start <= kMostLetters &&
         std::isalpha(static_cast<unsigned char>(address[at]));
       ++at) {
    letters_value = letters_value * 26 + (std::toupper(static_cast<unsigned char>(address[at])) - 'A' + 1);
  }
  const std::size_t letter_count = at - letters_start;
  skip_dollar();
  long digits_value = 0;
  const std::size_t digits_start = at;
  for (; at < address.size() && at - digits_start <= kMostDigits &&
         std::isdigit(static_cast<unsigned char>(address[at]));
       ++at) {
    digits_value = digits_value * 10 + (address[at] - '0');
  }
  const std::size_t digit_count = at - digits_start;
  if (at != address.size() || letter_count == 0 || letter_count > kMostLetters ||
      digit_count == 0 || digit_count > kMostDigits || address[digits_start] == '0') {
    return false;
  }
  row = digits_value;
  column = letters_value;
  return true;
}

}  // namespace sheet
