#include "host/store/store_hosts.h"

#include "host/store/cdo_store.h"
#include "host/store/omg_wrappers.h"
#include "host/store/outlook_store.h"
#include "host/store/quorvia_connect.h"
#include "host/store/store_session.h"

namespace store {

StoreHosts::StoreHosts(std::string path, RunRecord run)
    : session_(std::make_shared<StoreSession>(std::move(path), std::move(run))) {}

StoreHosts::StoreHosts(std::shared_ptr<StoreSession> session) : session_(std::move(session)) {}

void StoreHosts::EndRun(int status, const Retention& retention) { session_->EndRun(status, retention); }

StoreHosts::~StoreHosts() = default;

void StoreHosts::OpenFor(const std::string& what) {
  try {
    session_->Db();
  } catch (const host::Error& error) {
    throw host::CannotCreate(what, error.description());
  }
}

host::Ref<host::outlook::Application> StoreHosts::CreateApplication() {
  OpenFor("Outlook.Application");
  return MakeApplication(session_);
}

host::Ref<host::cdo::Session> StoreHosts::CreateSession() { return MakeCdoSession(session_); }

host::Ref<host::addin::QuorviaConnect> StoreHosts::CreateConnect() {
  OpenFor("Quorvia.Connect");
  return MakeQuorviaConnect(session_);
}

host::Ref<host::omg::SafeFolder> StoreHosts::CreateSafeFolder() { return MakeSafeFolder(); }

host::Ref<host::omg::SafeItem> StoreHosts::CreateSafeContactItem() { return MakeSafeContactItem(); }

host::Ref<host::omg::SafeItem> StoreHosts::CreateSafePostItem() { return MakeSafePostItem(); }

void StoreHosts::GroupReads() { session_->GroupReads(); }

void StoreHosts::EndReads() { session_->EndReads(); }

void StoreHosts::TakeForWriting(const std::vector<std::string>& accounts) {
  session_->TakeForWriting(accounts, StoreSession::ItemWrites::kHeldBack);
}

void StoreHosts::WriteHeldBack() { session_->WriteHeldBack(); }

void StoreHosts::CommitRun() { session_->CommitRun(); }

void StoreHosts::RollBackRun() { session_->RollBackRun(); }

bool StoreHosts::Committed() const { return session_->Committed(); }

void StoreHosts::SetBusyTimeout(std::chrono::milliseconds timeout) { session_->SetBusyTimeout(timeout); }

void StoreHosts::FailWritesAfter(int writes, bool store_wide) { session_->FailWritesAfter(writes, store_wide); }

void StoreHosts::SetItemWindows(host::ItemWindows* windows) { session_->SetItemWindows(windows); }

}  // namespace store
