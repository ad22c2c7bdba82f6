#include "host/sheet/xlsx_read_back.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace sheet::testing {
namespace {

const nlohmann::json kNothing;

// The standard output of `command`, and whether it exited with status 0.
bool Output(const std::string& command, std::string& output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return false;
  char buffer[4096];
  for (std::size_t read; (read = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, read);
  return pclose(pipe) == 0;
}

}  // namespace

ReadBack::ReadBack(const std::string& path) : book_({{"sheets", nlohmann::json::array()}, {"active", ""}}) {
  std::string command = "/usr/bin/python3 '" QUORVIA_WORKBOOK_READER "' '";
  command += path;
  command += "'";
  std::string output;
  if (!Output(command, output)) {
    ADD_FAILURE() << "cannot read the workbook " << path;
    return;
  }
  book_ = nlohmann::json::parse(output);
}

std::vector<std::string> ReadBack::SheetNames() const {
  std::vector<std::string> names;
  for (const auto& sheet : book_["sheets"]) names.push_back(sheet["name"]);
  return names;
}

std::string ReadBack::active() const { return book_["active"]; }

const nlohmann::json& ReadBack::Sheet(const std::string& name) const {
  for (const auto& sheet : book_["sheets"]) {
    if (sheet["name"] == name) return sheet;
  }
  ADD_FAILURE() << "no sheet " << name;
  return kNothing;
}

nlohmann::json ReadBack::Cell(const std::string& sheet, const std::string& address) const {
  const auto& cells = Sheet(sheet).value("cells", nlohmann::json::object());
  return cells.contains(address) ? cells[address] : nlohmann::json();
}

nlohmann::json ReadBack::Cells(const std::string& sheet) const {
  return Sheet(sheet).value("cells", nlohmann::json::object());
}

std::size_t ReadBack::CellCount(const std::string& sheet) const { return Cells(sheet).size(); }

double ReadBack::Width(const std::string& sheet, long column) const {
  const auto& widths = Sheet(sheet).value("widths", nlohmann::json::object());
  const std::string key = std::to_string(column);
  return widths.contains(key) ? widths[key].get<double>() : -1;
}

}  // namespace sheet::testing
