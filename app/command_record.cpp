#include "app/command_record.h"

namespace app {

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

}  // namespace app
