#include "host/store/store_failure.h"

namespace store {
namespace {

// "30 s", or milliseconds for a wait shorter than a second.
std::string WaitText(std::chrono::milliseconds wait) {
  if (wait < std::chrono::seconds(1)) return std::to_string(wait.count()) + " ms";
  return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(wait).count()) + " s";
}

}  // namespace

std::string DamagedStore(const std::string& location, std::string_view detail) {
  return "the CRM store " + location + " is damaged (" + std::string(detail) +
         "): run quorvia-store check, and restore it from a backup";
}

std::string FullDisk(const std::string& location) { return "the disk holding the CRM store " + location + " is full"; }

std::string ReadOnlyStore(const std::string& location) { return "the CRM store " + location + " is read-only"; }

std::string LockedTooLong(const std::string& location, std::chrono::milliseconds wait) {
  return "another program kept the CRM store " + location + " locked for more than " + WaitText(wait);
}

}  // namespace store
