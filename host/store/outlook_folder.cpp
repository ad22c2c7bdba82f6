#include <algorithm>
#include <optional>
#include <vector>

#include "host/store/outlook_store.h"
#include "host/store/schema.h"

namespace store {
namespace {

using host::Ref;
namespace ol = host::outlook;

class StoreNamespace : public ol::Namespace {
 public:
  explicit StoreNamespace(std::shared_ptr<StoreSession> session) : session_(std::move(session)) {}

  Ref<ol::Item> GetItemFromID(const std::string& entry_id, const std::string& store_id) override {
    RequireStore(*session_, store_id);
    return MakeItem(session_, ItemByEntryId(*session_, entry_id));
  }
  Ref<ol::MAPIFolder> GetFolderFromID(const std::string& entry_id,
                                      const std::string& store_id) override {
    RequireStore(*session_, store_id);
    return MakeFolder(session_, FolderByEntryId(*session_, entry_id));
  }

 private:
  std::shared_ptr<StoreSession> session_;
};

// An item window that the desktop shows.
class WindowInspector : public ol::Inspector {
 public:
  WindowInspector(host::ItemWindows& windows, std::uint64_t window) : windows_(windows), window_(window) {}
  void SetWindowState(int state) override {
    if (state != ol::kOlMinimized) {
      throw host::Error(host::kNotSupported, "window state " + std::to_string(state) + " is not supported");
    }
    windows_.Minimize(window_);
  }

 private:
  host::ItemWindows& windows_;
  std::uint64_t window_;
};

class StoreApplication : public ol::Application {
 public:
  explicit StoreApplication(std::shared_ptr<StoreSession> session) : session_(std::move(session)) {}

  Ref<ol::Namespace> GetNamespace(const std::string& type) override {
    if (type != "MAPI") {
      throw host::Error(kInvalidNamespace, "there is no namespace \"" + type + "\"; only \"MAPI\"");
    }
    return host::MakeRef<StoreNamespace>(session_);
  }
  Ref<ol::Inspector> ActiveInspector() override {
    host::ItemWindows* windows = session_->item_windows();
    const auto window = windows == nullptr ? std::nullopt : windows->ActiveWindow();
    if (!window) throw host::Error(host::kObjectNotSet, "no item window is shown");
    return host::MakeRef<WindowInspector>(*windows, *window);
  }

 private:
  // E_INVALIDARG, as the mail client answers an unknown namespace type.
  static constexpr long kInvalidNamespace = -2147024809;
  std::shared_ptr<StoreSession> session_;
};

// The error of folders nested deeper than the store allows, naming them.
host::Error TooDeep(const std::vector<FolderRow>& folders) {
  std::string names;
  for (const FolderRow& folder : folders) {
    names += (names.empty() ? "" : ", ") + folder.name + " (" + folder.entry_id + ")";
  }
  return host::Error(kStoreError, (folders.size() == 1 ? "folder " : "folders ") + names +
                                      (folders.size() == 1 ? " nests" : " nest") + " deeper than " +
                                      std::to_string(kMaxFolderDepth) + " levels");
}

// The subfolders of one folder at `level`, read from the store once, when
// first asked for (not at all for a folder its parent's list showed without
// any): the program adds and removes no folders, and a walk then lists each
// folder that has subfolders in one read. Below the deepest level they are counted
// but never handed out: the count fails, naming them, so that no walk passes
// over them unnoticed.
class StoreFolders : public ol::Folders {
 public:
  StoreFolders(std::shared_ptr<StoreSession> session, FolderRow parent, int level)
      : session_(std::move(session)), parent_(std::move(parent)), level_(level) {
    if (parent_.has_subfolders == false) rows_.emplace();
  }

  int Count() override {
    const std::vector<FolderRow>& folders = Rows();
    if (!folders.empty() && level_ >= kMaxFolderDepth) throw TooDeep(folders);
    return static_cast<int>(folders.size());
  }
  Ref<ol::MAPIFolder> Item(int index) override {
    const std::vector<FolderRow>& folders = Rows();
    if (index < 1 || static_cast<std::size_t>(index) > folders.size()) {
      session_->Fail(host::kSubscriptOutOfRange,
                     "folder \"" + parent_.name + "\" has no subfolder at position " + std::to_string(index));
    }
    return Subfolder(folders[static_cast<std::size_t>(index) - 1]);
  }
  Ref<ol::MAPIFolder> Item(const std::string& name) override {
    const std::vector<FolderRow>& folders = Rows();
    const auto folder =
        std::find_if(folders.begin(), folders.end(), [&](const FolderRow& row) { return row.name == name; });
    if (folder == folders.end()) {
      session_->Fail(kNotFound, "folder \"" + parent_.name + "\" has no subfolder \"" + name + "\"");
    }
    return Subfolder(*folder);
  }

 private:
  const std::vector<FolderRow>& Rows() {
    if (!rows_) rows_ = Subfolders(*session_, parent_);
    return *rows_;
  }
  Ref<ol::MAPIFolder> Subfolder(FolderRow folder) {
    if (level_ >= kMaxFolderDepth) throw TooDeep({folder});
    return MakeFolder(session_, std::move(folder), level_ + 1);
  }

  std::shared_ptr<StoreSession> session_;
  FolderRow parent_;
  int level_;
  std::optional<std::vector<FolderRow>> rows_;
};

class StoreFolder : public ol::MAPIFolder {
 public:
  StoreFolder(std::shared_ptr<StoreSession> session, FolderRow row, std::optional<int> level)
      : session_(std::move(session)), row_(std::move(row)), level_(level) {}

  std::string Name() override { return row_.name; }
  std::string EntryID() override { return row_.entry_id; }
  std::string StoreID() override { return session_->StoreId(); }
  std::string DefaultMessageClass() override { return row_.default_message_class; }
  Ref<ol::Folders> Folders() override {
    // A folder reached from its parent knows its level; the store is asked
    // only for one opened by its identifier.
    if (!level_) level_ = FolderLevel(*session_, row_.id);
    if (*level_ > kMaxFolderDepth) throw TooDeep({row_});
    return host::MakeRef<StoreFolders>(session_, row_, *level_);
  }
  Ref<ol::Items> Items() override { return MakeFolderItems(session_, row_); }

 private:
  std::shared_ptr<StoreSession> session_;
  FolderRow row_;
  std::optional<int> level_;
};

}  // namespace

Ref<ol::Application> MakeApplication(std::shared_ptr<StoreSession> session) {
  return host::MakeRef<StoreApplication>(std::move(session));
}

Ref<ol::MAPIFolder> MakeFolder(std::shared_ptr<StoreSession> session, FolderRow row,
                               std::optional<int> level) {
  return host::MakeRef<StoreFolder>(std::move(session), std::move(row), level);
}

}  // namespace store
