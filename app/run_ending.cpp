#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "app/form1.h"

// How a run ends and why: the reasons the run log and standard error show.
namespace app {
namespace {

// A reason names at most this many failures; the rest are counted.
constexpr std::size_t kFailuresNamed = 100;

// `entries` joined with "; ", the ones past kFailuresNamed counted.
std::string NamedList(const std::vector<std::string>& entries) {
  std::string list;
  for (std::size_t i = 0; i < entries.size() && i < kFailuresNamed; ++i) {
    if (i > 0) list += "; ";
    list += entries[i];
  }
  if (entries.size() > kFailuresNamed) {
    list += "; and " + std::to_string(entries.size() - kFailuresNamed) + " more";
  }
  return list;
}

}  // namespace

void Form1::EndRun(Outcome outcome, std::string reason, bool shown) {
  Conclude({outcome, std::move(reason), shown});
  ProgramEnd(outcome);
}

void Form1::Conclude(Ending ending) {
  if (Outranks(ending.outcome, ending_.outcome)) ending_ = std::move(ending);
}

void Form1::NoteUnchanged(const std::function<std::string()>& entry_id,
                          const host::ResumeNext& on_error) {
  std::string item = "an item";
  try {
    item = entry_id();
  } catch (const host::Error&) {
    // The item cannot even be named; the failure still counts.
  }
  unchanged_items_.push_back(item + ": " + on_error.Description());
}

std::string Form1::UnchangedReason() const {
  const std::size_t count = unchanged_items_.size();
  std::string reason = std::to_string(count);
  reason += count == 1 ? " item could not be changed: " : " items could not be changed: ";
  return reason + NamedList(unchanged_items_);
}

void Form1::NoteReportsFailure(std::string what) {
  // A data source that cannot be opened fails once on every walk level.
  if (std::find(reports_failures_.begin(), reports_failures_.end(), what) == reports_failures_.end()) {
    reports_failures_.push_back(std::move(what));
  }
}

std::string Form1::ReportsFailureReason() const {
  return "the reports database was not fully updated: " + NamedList(reports_failures_);
}

}  // namespace app
