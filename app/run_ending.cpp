#include <cstddef>
#include <string>
#include <utility>

#include "app/form1.h"

// How a run ends and why: the reasons the run log and standard error show.
namespace app {
namespace {

// A reason names at most this many items; the rest are counted.
constexpr std::size_t kItemsNamed = 100;

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
  std::string reason =
      std::to_string(count) + (count == 1 ? " item" : " items") + " could not be changed: ";
  for (std::size_t i = 0; i < count && i < kItemsNamed; ++i) {
    if (i > 0) reason += "; ";
    reason += unchanged_items_[i];
  }
  if (count > kItemsNamed) reason += "; and " + std::to_string(count - kItemsNamed) + " more";
  return reason;
}

}  // namespace app
