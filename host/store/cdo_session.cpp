#include "host/store/cdo_store.h"

namespace store {
namespace {

using host::Ref;
namespace cdo = host::cdo;

class StoreCdoFolder : public cdo::Folder {
 public:
  StoreCdoFolder(std::shared_ptr<StoreSession> session, FolderRow row)
      : session_(std::move(session)), row_(std::move(row)) {}
  Ref<cdo::Messages> Messages() override { return MakeMessages(session_, row_); }

 private:
  std::shared_ptr<StoreSession> session_;
  FolderRow row_;
};

// Objects obtained from the session stay usable after Logoff; the session's
// own members then fail until the next Logon.
class StoreCdoSession : public cdo::Session {
 public:
  explicit StoreCdoSession(std::shared_ptr<StoreSession> session) : session_(std::move(session)) {}

  // The profile arguments have no meaning here: the session always logs on
  // to its store file.
  void Logon(const std::string& /*profile_name*/, const std::string& /*profile_password*/,
             bool /*show_dialog*/, bool /*new_session*/, std::int16_t /*parent_window*/) override {
    session_->Db();
    logged_on_ = true;
  }
  void Logoff() override {
    RequireLogon("Logoff");
    logged_on_ = false;
  }
  Ref<cdo::Message> GetMessage(const std::string& entry_id, const std::string& store_id) override {
    RequireLogon("GetMessage");
    RequireStore(*session_, store_id);
    return MakeMessage(session_, ItemByEntryId(*session_, entry_id));
  }
  Ref<cdo::Folder> GetFolder(const std::string& entry_id, const std::string& store_id) override {
    RequireLogon("GetFolder");
    RequireStore(*session_, store_id);
    return host::MakeRef<StoreCdoFolder>(session_, FolderByEntryId(*session_, entry_id));
  }

 private:
  void RequireLogon(const std::string& member) const {
    if (!logged_on_) {
      throw host::Error(kNotLoggedOn, "MAPI session: " + member +
                                          " needs a session that is logged on; call Logon first");
    }
  }

  std::shared_ptr<StoreSession> session_;
  bool logged_on_ = false;
};

}  // namespace

Ref<cdo::Session> MakeCdoSession(std::shared_ptr<StoreSession> session) {
  return host::MakeRef<StoreCdoSession>(std::move(session));
}

}  // namespace store
