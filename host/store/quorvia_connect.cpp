#include "host/store/quorvia_connect.h"

namespace store {
namespace {

class StoreConnect : public host::addin::QuorviaConnect {
 public:
  explicit StoreConnect(std::shared_ptr<StoreSession> session) : session_(std::move(session)) {}

  std::string GetFolderId(const std::string& folder_name) override {
    auto statement = session_->Prepare(
        "SELECT entry_id FROM folders WHERE parent IS NULL AND name = ? ORDER BY id LIMIT 1");
    if (!statement->Bind(1, folder_name).Step()) {
      session_->Fail(kNotFound, "there is no top-level folder \"" + folder_name + "\"");
    }
    return statement->Text(0);
  }
  std::string GetStoreId() override { return session_->StoreId(); }
  std::string GetOutlookVersion() override { return session_->OutlookVersion(); }

 private:
  std::shared_ptr<StoreSession> session_;
};

}  // namespace

host::Ref<host::addin::QuorviaConnect> MakeQuorviaConnect(std::shared_ptr<StoreSession> session) {
  return host::MakeRef<StoreConnect>(std::move(session));
}

}  // namespace store
