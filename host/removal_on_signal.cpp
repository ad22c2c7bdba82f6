#include "host/removal_on_signal.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace host {
namespace {

constexpr int kSlots = 8;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// What the handler removes; written only with atomic stores, so a signal
// sees each list whole or not at all.
std::atomic<const char*> g_entries[kSlots];

// Only async-signal-safe calls from here on.
void RemoveAndEnd(int signal_number) {
  for (auto& slot : g_entries) {
    for (const char* entry = slot.load(); entry != nullptr && *entry != '\0'; entry += std::strlen(entry) + 1) {
      if (entry[0] == 'f') {
        ::unlink(entry + 1);
      } else {
        ::rmdir(entry + 1);
      }
    }
  }
  // The handler was reset to the default on entry: the signal, blocked
  // until the handler returns, then ends the process the usual way.
  ::raise(signal_number);
}

void InstallHandlers() {
  for (const int signal_number : kSignals) {
    struct sigaction current {};
    if (::sigaction(signal_number, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = RemoveAndEnd;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    ::sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace

RemovalOnSignal::RemovalOnSignal(const std::vector<std::string>& files, const std::vector<std::string>& folders) {
  for (const std::string& file : files) entries_ += 'f' + file + '\0';
  for (const std::string& folder : folders) entries_ += 'd' + folder + '\0';
  entries_ += '\0';
  static std::once_flag installed;
  std::call_once(installed, InstallHandlers);
  for (int i = 0; i < kSlots; ++i) {
    const char* empty = nullptr;
    if (g_entries[i].compare_exchange_strong(empty, entries_.c_str())) {
      slot_ = i;
      return;
    }
  }
}

RemovalOnSignal::~RemovalOnSignal() {
  if (slot_ >= 0) g_entries[slot_].store(nullptr);
}

}  // namespace host
