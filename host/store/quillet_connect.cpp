#include "host/store/quillet_connect.h"

#include <string>
#include <utility>

#include "host/error.h"
#include "host/outlook.h"
#include "host/store/store_hosts.h"

namespace store {
namespace {

constexpr char kDatabaseFolderName[] = "Account Profiles";

class QuilletConnect : public host::addin::QuilletConnect {
 public:
  QuilletConnect(std::string store_path, host::MessageBox& answers)
      : store_path_(std::move(store_path)), answers_(answers) {}

  void FindFolder() override {
    std::string answer;
    try {
      answer = Found();
    } catch (const host::Error& error) {
      answer = NotFound(error.description());
    }
    answers_.Show(answer, host::MsgBoxButtons::kOkOnly, host::MsgBoxIcon::kNone, kCompanionTitle);
  }

 private:
  // Where the database folder is and what it holds; throws host::Error when
  // the store or the folder cannot be opened.
  std::string Found() {
    StoreHosts hosts(store_path_);
    const auto connect = hosts.CreateConnect();
    const auto folder = hosts.CreateApplication()->GetNamespace("MAPI")->GetFolderFromID(
        connect->GetFolderId(kDatabaseFolderName), connect->GetStoreId());
    std::string answer = "The Quorvia database is the folder \"";
    answer.append(kDatabaseFolderName).append("\" in the CRM store ").append(store_path_).append(".");
    const auto subfolders = folder->Folders();
    const int count = subfolders->Count();
    if (count == 0) return answer.append("\rIt has no subfolders yet.");
    answer.append("\rIts folders: ");
    for (int i = 1; i <= count; ++i) {
      if (i > 1) answer.append(", ");
      answer.append(subfolders->Item(i)->Name());
    }
    return answer.append(".");
  }

  std::string NotFound(const std::string& why) const {
    std::string answer = "No Quorvia database was found: ";
    answer.append(why).append(
        "\rTo make a CRM store with an empty database, run: quorvia-store --store '");
    return answer.append(store_path_).append("' init\r(or import one with quorvia-store import FILE).");
  }

  std::string store_path_;
  host::MessageBox& answers_;
};

}  // namespace

host::Ref<host::addin::QuilletConnect> MakeQuilletConnect(const std::string& store_path,
                                                          host::MessageBox& answers) {
  return host::MakeRef<QuilletConnect>(store_path, answers);
}

}  // namespace store
