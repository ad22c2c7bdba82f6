#include "host/store/run_record.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

namespace store {
namespace {

int WholeNumber(const char* variable, int fallback) {
  const char* text = std::getenv(variable);
  if (text == nullptr || *text == '\0') return fallback;
  int value = 0;
  const char* end = text + std::char_traits<char>::length(text);
  const auto [stop, error] = std::from_chars(text, end, value);
  return error == std::errc() && stop == end && value >= 0 ? value : fallback;
}

}  // namespace

Retention Retention::FromProcess() {
  const Retention defaults;
  return Retention{WholeNumber("QUORVIA_JOURNAL_RUNS", defaults.runs),
                   WholeNumber("QUORVIA_JOURNAL_DAYS", defaults.days)};
}

bool JournalOffInProcess() {
  const char* off = std::getenv("QUORVIA_JOURNAL");
  return off != nullptr && std::string_view(off) == "0";
}

}  // namespace store
