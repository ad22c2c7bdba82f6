#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "host/addin.h"
#include "host/cdo.h"
#include "host/item_windows.h"
#include "host/omg.h"
#include "host/outlook.h"
#include "host/store/run_record.h"

namespace store {

class StoreSession;

// Store-backed host objects for one store file. The file is opened once, on
// first use, and shared by every object made here; the objects keep it open
// after the StoreHosts is gone.
class StoreHosts {
 public:
  // `run` is the program run that uses them, as StoreSession says.
  explicit StoreHosts(std::string path, RunRecord run = {});
  // Host objects over a session made already.
  explicit StoreHosts(std::shared_ptr<StoreSession> session);
  ~StoreHosts();

  // The mail client. Throws host::CannotCreate("Outlook.Application", why)
  // when the store is missing or refused; `why` is the store's reason.
  host::Ref<host::outlook::Application> CreateApplication();
  // A MAPI session that is not logged on; made even when the store is
  // missing (its Logon then fails).
  host::Ref<host::cdo::Session> CreateSession();
  // The product add-in. Throws host::CannotCreate("Quorvia.Connect", why)
  // when the store cannot be opened.
  host::Ref<host::addin::QuorviaConnect> CreateConnect();
  // The wrapper library's objects, holding nothing yet.
  host::Ref<host::omg::SafeFolder> CreateSafeFolder();
  host::Ref<host::omg::SafeItem> CreateSafeContactItem();
  host::Ref<host::omg::SafeItem> CreateSafePostItem();

  // Fault injection for crash-safety tests, as StoreSession::FailWritesAfter
  // says.
  void FailWritesAfter(int writes, bool store_wide = false);

  // Shares a read transaction among reads until the next write or pause,
  // as StoreSession::GroupReads says; EndReads is such a pause.
  void GroupReads();
  void EndReads();

  // The run's one write transaction, as StoreSession::TakeForWriting,
  // WriteHeldBack, CommitRun and RollBackRun say, holding writes back;
  // Committed tells whether any write of the run reached the store.
  void TakeForWriting(const std::vector<std::string>& accounts = {});
  void WriteHeldBack();
  void CommitRun();
  void RollBackRun();
  bool Committed() const;
  // How long a write waits for another program's lock; for tests.
  void SetBusyTimeout(std::chrono::milliseconds timeout);

  // Records the run's end status in the store's journal, when the run
  // changed anything, and applies `retention`. Throws host::Error.
  void EndRun(int status, const Retention& retention);

  // Where Display shows this store's items (not owned; it must outlive
  // every item made here); until set, Display fails.
  void SetItemWindows(host::ItemWindows* windows);

 private:
  // Opens the store now, turning a failure into error 429 for `what`.
  void OpenFor(const std::string& what);

  std::shared_ptr<StoreSession> session_;
};

}  // namespace store
