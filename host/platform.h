#pragma once

#include <string>
#include <vector>

#include "host/addin.h"
#include "host/cdo.h"
#include "host/message_box.h"
#include "host/omg.h"
#include "host/outlook.h"
#include "host/ref.h"
#include "host/tour.h"

namespace host {

namespace ado {
class Connection;
class Recordset;
}  // namespace ado
namespace excel {
class Application;
}  // namespace excel

// Makes the host objects, one function for each way the program makes an
// object. A creation that cannot make its object throws error 429
// (kCannotCreateObject) with the reason, so the caller's field stays nothing.
class Platform {
 public:
  virtual ~Platform() = default;

  // The mail client by its class identifier {0006F03A-0000-0000-C000-000000000046}.
  virtual Ref<outlook::Application> CreateOutlookByClass() = 0;
  // The running object of class "Outlook.Application".
  virtual Ref<outlook::Application> GetRunningOutlook() = 0;
  // A new object from the ProgID "Outlook.Application".
  virtual Ref<outlook::Application> CreateOutlook() = 0;
  // "MAPI.Session": a session that is not logged on yet.
  virtual Ref<cdo::Session> CreateMapiSession() = 0;
  // "Quorvia.Connect".
  virtual Ref<addin::QuorviaConnect> CreateQuorviaConnect() = 0;
  // "QuorviaOMG.MAPIFolder", "QuorviaOMG.SafeContactItem", "QuorviaOMG.SafePostItem".
  virtual Ref<omg::SafeFolder> CreateSafeFolder() = 0;
  virtual Ref<omg::SafeItem> CreateSafeContactItem() = 0;
  virtual Ref<omg::SafeItem> CreateSafePostItem() = 0;
  // "Adodb.connection" and "ADODB.Recordset".
  virtual Ref<ado::Connection> CreateAdodbConnection() = 0;
  virtual Ref<ado::Recordset> CreateAdodbRecordset() = 0;
  // "Excel.Application".
  virtual Ref<excel::Application> CreateExcel() = 0;
  // "Quillet.connect", the companion add-in.
  virtual Ref<addin::QuilletConnect> CreateQuilletConnect() = 0;

  // Takes the CRM store for writing until the run ends: from here on what
  // the run reads and changes is one transaction, which the end of the run
  // commits. Another run that names one of the same `accounts` (keys) waits
  // for it, or it for that run; runs on different accounts go on side by
  // side where the store lets them. Called again, it rolls back what the run
  // did since the last call and starts over. Throws host::StoreFailure when
  // another program keeps the store locked past the busy timeout.
  //
  // Saves and deletions of items already in the store may be held back and
  // made together, by the next call of the store or by FinishStoreWrites at
  // the latest; when that fails it throws host::StoreConflict, and the
  // caller starts over as for any conflict: the next try makes each at once.
  virtual void TakeStoreForWriting(const std::vector<std::string>& accounts) = 0;
  virtual void FinishStoreWrites() = 0;

  // The message boxes and the event pump of this process.
  virtual MessageBox& MessageBoxes() = 0;
  virtual EventPump& Events() = 0;
  // The tour's slide windows, and the desktop's top-level windows.
  virtual SlideWindows& Slides() = 0;
  virtual WindowLookup& Windows() = 0;
};

}  // namespace host
