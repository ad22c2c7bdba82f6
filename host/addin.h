#pragma once

#include <string>

// The product's mail-client add-in, "Quorvia.Connect".
namespace host::addin {

class QuorviaConnect {
 public:
  virtual ~QuorviaConnect() = default;
  // The entry identifier of the store's top-level folder of that name; fails
  // when there is none.
  virtual std::string GetFolderId(const std::string& folder_name) = 0;
  // The identifier of the store that holds the CRM database.
  virtual std::string GetStoreId() = 0;
  // The mail client's version text, such as "16.0.0.0".
  virtual std::string GetOutlookVersion() = 0;
};

}  // namespace host::addin

// The companion add-in, "Quillet.connect".
namespace host::addin {

class QuilletConnect {
 public:
  virtual ~QuilletConnect() = default;
  // Looks for the CRM database and tells the user what it found; returns
  // once the user has read it. Throws host::Error when it cannot.
  virtual void FindFolder() = 0;
};

}  // namespace host::addin
