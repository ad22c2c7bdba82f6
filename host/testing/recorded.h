#pragma once

#include <memory>
#include <string>
#include <utility>

#include "host/ado.h"
#include "host/cdo.h"
#include "host/excel.h"
#include "host/outlook.h"
#include "host/testing/call_log.h"

namespace host::testing {

// `object` wrapped by a recorder of type W named `name`; nothing stays nothing.
template <class W, class U>
Ref<U> Record(const Ref<U>& object, std::shared_ptr<CallLog> log, const char* name) {
  if (object.IsNothing()) return nullptr;
  return MakeRef<W>(object, std::move(log), name);
}

// Base of the recording wrappers: the wrapped object, the shared log, and a
// "Release(NAME)" line when the wrapper goes.
template <class T>
class Recorded : public T {
 public:
  Recorded(Ref<T> inner, std::shared_ptr<CallLog> log, std::string name)
      : inner_(std::move(inner)), log_(std::move(log)), name_(std::move(name)) {}
  ~Recorded() override { log_->Note("Release(" + name_ + ")"); }

 protected:
  // Records the call of `member` with its arguments; throws when it must fail.
  template <class... Args>
  void Enter(const char* member, const Args&... args) {
    log_->Enter(name_ + "." + member, args...);
  }

  // Records the call of `member` with its arguments, then makes it on the
  // wrapped object.
  template <class Result, class... Params, class... Args>
  Result Forward(const char* member, Result (T::*method)(Params...), const Args&... args) {
    Enter(member, args...);
    return ((*inner_).*method)(args...);
  }

  // `object` wrapped by a recorder of type W named `name`, on the same log.
  template <class W, class U>
  Ref<U> Wrap(const Ref<U>& object, const char* name) {
    return Record<W>(object, log_, name);
  }

  Ref<T> inner_;
  std::shared_ptr<CallLog> log_;
  std::string name_;
};

// Recorders of the store's folders, folder lists and item collections, as
// "Folder", "Folders" and "Items"; each folder and collection reached through
// them is recorded too. Nothing stays nothing.
Ref<outlook::MAPIFolder> RecordFolder(const Ref<outlook::MAPIFolder>& folder,
                                      std::shared_ptr<CallLog> log);

// A recorder of the mail client's application, as "Application", with its
// namespaces as "Namespace" and inspectors as "Inspector".
Ref<outlook::Application> RecordApplication(const Ref<outlook::Application>& application,
                                            std::shared_ptr<CallLog> log);

// A recorder of an item, as "Item", with its item properties as
// "ItemProperties" and each property reached through them as "Property".
Ref<outlook::Item> RecordItem(const Ref<outlook::Item>& item, std::shared_ptr<CallLog> log);

// Recorders of CDO folders, message collections, filters, messages and their
// fields, as "CdoFolder", "Messages", "Filter", "Message" and "Fields"; each
// object reached through them is recorded too. Nothing stays nothing.
Ref<cdo::Folder> RecordCdoFolder(const Ref<cdo::Folder>& folder, std::shared_ptr<CallLog> log);
Ref<cdo::Message> RecordMessage(const Ref<cdo::Message>& message, std::shared_ptr<CallLog> log);

}  // namespace host::testing

namespace host::testing {

// Recorders of reports connections and recordsets, as "Connection" and
// "Recordset"; a recordset opened on a recorded connection runs on the
// connection it wraps.
Ref<ado::Connection> RecordConnection(const Ref<ado::Connection>& connection,
                                      std::shared_ptr<CallLog> log);
Ref<ado::Recordset> RecordRecordset(const Ref<ado::Recordset>& recordset,
                                    std::shared_ptr<CallLog> log);

// A recorder of the spreadsheet application, as "Excel", and of the
// workbooks, sheets, cells and fonts reached through it, as "Workbooks",
// "Workbook", "Sheets", "Worksheet", "Range" and "Font". Nothing stays nothing.
Ref<excel::Application> RecordExcel(const Ref<excel::Application>& application,
                                    std::shared_ptr<CallLog> log);

}  // namespace host::testing
