#include "app/command_record.h"

#include <algorithm>
#include <string>

#include "host/error.h"

namespace app {
namespace {

// Each function that reads fields, as the help writes its command line.
constexpr std::string_view kCommandForms[] = {
    "Merge;ENTRYID;;SURVIVINGKEY;MERGEDKEY",
    "Delete;ENTRYID;;KEY",
    "Update;ENTRYID;KEYCOLUMN;KEY;SKIPFOLDER;FIELD,FIELD,...;;FIXED",
    "ExcelReport;QUERY",
    "AddAlerts;KEY;NAME;MANAGER;TEAM;ALIGNMENT",
    "Alerts;KEY",
    "Front;ENTRYID",
};

}  // namespace

std::vector<std::string> MakeCommandRecord(std::string_view command_line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t separator = command_line.find(';'); separator != std::string_view::npos;
       separator = command_line.find(';', start)) {
    fields.emplace_back(command_line.substr(start, separator - start));
    start = separator + 1;
  }
  fields.emplace_back(command_line.substr(start));
  return fields;
}

std::string FailureInUserWords(const std::vector<std::string>& record, long number, const std::string& description,
                               const std::string& lead) {
  if (number == host::kSubscriptOutOfRange) {
    if (std::string missing = MissingFields(record); !missing.empty()) return missing;
  }
  return lead + description;
}

std::string MissingFields(const std::vector<std::string>& record) {
  for (const std::string_view form : kCommandForms) {
    if (form.substr(0, form.find(';')) != record.front()) continue;
    const auto needed = static_cast<std::size_t>(std::count(form.begin(), form.end(), ';')) + 1;
    if (record.size() >= needed) return "";
    return record.front() + " needs " + std::string(form) + " (got " + std::to_string(record.size()) +
           (record.size() == 1 ? " field)" : " fields)");
  }
  return "";
}

}  // namespace app
