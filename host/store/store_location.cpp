#include "host/store/store_location.h"

#include <array>
#include <cctype>
#include <stdexcept>
#include <string_view>

#include "host/xdg.h"

namespace store {
namespace {

constexpr std::array<std::string_view, 2> kUriPrefixes = {"postgresql://", "postgres://"};
constexpr std::array<std::string_view, 6> kFirstKeywords = {"service", "host", "hostaddr", "port", "dbname", "user"};
constexpr std::string_view kMask = "***";

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The keyword that `text` starts with, when `text` is key=value.
std::string_view LeadingKeyword(std::string_view text) {
  std::size_t end = 0;
  while (end < text.size() && (std::islower(static_cast<unsigned char>(text[end])) != 0 || text[end] == '_')) ++end;
  std::size_t equals = end;
  while (equals < text.size() && IsSpace(text[equals])) ++equals;
  return equals < text.size() && text[equals] == '=' ? text.substr(0, end) : std::string_view();
}

bool IsUri(std::string_view location) {
  for (const std::string_view prefix : kUriPrefixes) {
    if (location.starts_with(prefix)) return true;
  }
  return false;
}

// The URI with the password of its user information and of a password=
// parameter masked.
std::string MaskUri(std::string location) {
  const std::size_t authority = location.find("://") + 3;
  const std::size_t authority_end = location.find_first_of("/?", authority);
  const std::size_t at = location.rfind('@', authority_end == std::string::npos ? std::string::npos : authority_end - 1);
  if (at != std::string::npos && at >= authority) {
    const std::size_t colon = location.find(':', authority);
    if (colon < at) location.replace(colon + 1, at - colon - 1, kMask);
  }
  const std::size_t query = location.find('?');
  for (std::size_t at_key = query; at_key != std::string::npos; at_key = location.find('&', at_key + 1)) {
    if (location.compare(at_key + 1, 9, "password=") != 0) continue;
    const std::size_t value = at_key + 10;
    const std::size_t end = location.find('&', value);
    location.replace(value, (end == std::string::npos ? location.size() : end) - value, kMask);
  }
  return location;
}

// The end of the value at `start` of a key=value string: a quoted value
// ends after its closing quote (\' and \\ inside it), any other at white
// space.
std::size_t ValueEnd(const std::string& text, std::size_t start) {
  if (start < text.size() && text[start] == '\'') {
    std::size_t at = start + 1;
    while (at < text.size() && text[at] != '\'') at += text[at] == '\\' ? 2 : 1;
    return std::min(at + 1, text.size());
  }
  std::size_t at = start;
  while (at < text.size() && !IsSpace(text[at])) at += text[at] == '\\' ? 2 : 1;
  return std::min(at, text.size());
}

// The key=value string with the value of each password= masked.
std::string MaskKeywords(std::string text) {
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsSpace(text[at])) ++at;
    const std::string_view keyword = LeadingKeyword(std::string_view(text).substr(at));
    std::size_t value = text.find('=', at);
    if (keyword.empty() || value == std::string::npos) break;
    ++value;
    while (value < text.size() && IsSpace(text[value])) ++value;
    std::size_t end = ValueEnd(text, value);
    if (keyword == "password") {
      text.replace(value, end - value, kMask);
      end = value + kMask.size();
    }
    at = end;
  }
  return text;
}

}  // namespace

Engine EngineOf(const std::string& location) {
  if (IsUri(location)) return Engine::kPostgres;
  const std::string_view keyword = LeadingKeyword(location);
  for (const std::string_view first : kFirstKeywords) {
    if (keyword == first) return Engine::kPostgres;
  }
  return Engine::kSqlite;
}

std::string MaskPassword(const std::string& location) {
  if (EngineOf(location) == Engine::kSqlite) return location;
  return IsUri(location) ? MaskUri(location) : MaskKeywords(location);
}

Environment Environment::FromProcess() {
  return Environment{host::EnvironmentVariable("QUORVIA_STORE"),
                     host::EnvironmentVariable("XDG_DATA_HOME"), host::EnvironmentVariable("HOME")};
}

std::string DefaultStorePath(const Environment& environment) {
  if (!environment.quorvia_store.empty()) return environment.quorvia_store;
  const auto data_home =
      host::XdgBaseFolder(environment.xdg_data_home, environment.home, ".local/share");
  if (!data_home) {
    throw std::runtime_error("no store given: set QUORVIA_STORE, XDG_DATA_HOME or HOME");
  }
  return (*data_home / "quorvia" / "crm.db").string();
}

}  // namespace store
