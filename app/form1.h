#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/outcome.h"
#include "host/ado.h"
#include "host/excel.h"
#include "host/platform.h"
#include "host/resume_next.h"
#include "host/tour.h"
#include "host/value.h"

namespace reports {
class SetList;
}  // namespace reports

namespace app {

// The program's hidden main form: the session state as plain fields, the
// start-up in Form_Load, and every operation as a procedure without
// arguments. The form is never shown; no window is made for it.
class Form1 {
 public:
  // `platform` makes every host object and outlives the form; `trace`, when
  // not null, receives one line per failing call that resume-next skips.
  Form1(host::Platform& platform, std::string command_line, std::ostream* trace);

  // Loads the form, which runs Form_Load, and yields how the run ended; a
  // failure of the store as a whole ends it at once as kStoreUnusable.
  Outcome Run();

  // How the run ended and why, once Run has returned.
  const Ending& ending() const { return ending_; }

  // The start of the program's own logic: usage message or command record,
  // session start-up, dispatch, unload.
  void Form_Load();

  // Logs off, lets go of the session objects, unloads the form and ends the
  // run by throwing ProgramEnded{outcome}. Never returns.
  [[noreturn]] void ProgramEnd(Outcome outcome = Outcome::kDone);

  // Records why the run ends early (`shown`: a message box said it already),
  // then ends it through ProgramEnd.
  [[noreturn]] void EndRun(Outcome outcome, std::string reason, bool shown = false);

  // Operations, one per function name. Realign and ContactSync do nothing.
  void Realign();
  void ContactSync();
  void Merge();
  void Delete();
  // Their part in the run's write transaction, which may run more than once.
  void MergeTaken();
  void DeleteTaken();
  void Startup();
  void Update();
  void ExcelReport();

  // Alerts: AddAlerts makes one sticky note for the account of fields 1 to
  // 5 in the alerts folder and opens it; ShowAlerts opens every note there
  // whose key is field 1. Both end the run through ProgramEnd.
  void AddAlerts();
  void ShowAlerts();
  // Opens the item of field 1 in both views and, when CDO found it,
  // minimizes the active item window, whichever item it shows.
  void Front();

  // The tour: Help calls Load, which sets CheckPoint to "Start" and plays it.
  // Playing "Start" shows the first slide, unless a window titled "REDiraz"
  // is shown; Run then keeps the run alive on the slides until Finish, or
  // until the user closes a slide, ends it through ProgramEnd. Play's result
  // is always empty.
  void Help();
  void Load();
  host::Value Play();
  // Hands the search for the database to the companion add-in and waits for
  // it; any failure is skipped.
  void FindFolder();
  // The slides' buttons: Next on the first, Back and Finish on the second.
  void Next1_Click();
  void Command1_Click();
  void Command2_Click();

  // The folder walks: every folder below the one `pfolder` holds, depth first.
  void RecurseMerge(const std::string& pNewID, host::Ref<host::omg::SafeFolder>& pfolder);
  void RecurseDelete(const std::string& pNewID, host::Ref<host::omg::SafeFolder>& pfolder);
  // Writes the account item's fields into the folder tables of the reports
  // database, one connection per level; `pNewID` is the key of the rows.
  void RecurseUpdate(std::string pNewID, host::Ref<host::omg::SafeFolder>& pfolder);

  bool loaded() const { return loaded_; }

  // The session state; every procedure reads and writes it directly.
  std::vector<std::string> myParam;
  host::Ref<host::outlook::Application> olapp;
  host::Ref<host::cdo::Session> objSession;
  host::Ref<host::addin::QuorviaConnect> sobj;
  host::Ref<host::outlook::MAPIFolder> HostFolder;
  std::string olversion;
  host::Ref<host::omg::SafeFolder> safeFolder;
  host::Ref<host::outlook::Item> MyOLItem;
  host::Ref<host::outlook::Items> MyOLItems;
  host::Ref<host::cdo::Message> myitem;
  host::Ref<host::cdo::Message> omess;
  host::Ref<host::cdo::Fields> objFields;
  host::Ref<host::cdo::Field> objField;
  host::Ref<host::cdo::Folder> CDOFolder;
  host::Ref<host::cdo::Messages> oMessCol;
  host::Ref<host::cdo::MessageFilter> oFilter;
  std::string CheckPoint;

 private:
  using FolderWork = void (Form1::*)(const std::string& key,
                                     const host::Ref<host::outlook::MAPIFolder>& folder,
                                     host::ResumeNext& on_error);

  // Keeps `ending` when it says more about the run than what was kept.
  void Conclude(Ending ending);
  // Takes the store for writing on `accounts` and runs `body`, the rest of
  // the run, in that one transaction; a conflict with another run's
  // transaction runs both again from the start of the transaction.
  void InRunTransaction(const std::vector<std::string>& accounts, const std::function<void()>& body);
  // Records an item that the command could not change: it was left as it
  // was, and the run ends as kPartlyDone. `entry_id` yields the item's
  // identifier; `on_error` holds the failure.
  void NoteUnchanged(const std::function<std::string()>& entry_id, const host::ResumeNext& on_error);
  // Records a failure of the reports database (`what` names it), once for
  // each different text: the run ends as kReportsFailed.
  void NoteReportsFailure(std::string what);
  // The reasons of a run that left items unchanged or the reports database
  // not fully updated, naming what failed.
  std::string UnchangedReason() const;
  std::string ReportsFailureReason() const;
  // Ends the run, changing nothing, when the key in field `index` is empty:
  // no account has an empty key.
  void RefuseEmptyKey(std::size_t index);

  void StartSession(host::ResumeNext& on_error);
  // Lets the user work with the shown slides until the tour ends the run;
  // a slide closed any other way ends it through ProgramEnd.
  void LiveOnSlides();
  // Shows `slide`, making it from `form` with `clicks` on first use.
  void ShowSlide(std::unique_ptr<host::SlideWindow>& slide, const host::SlideForm& form,
                 host::ButtonClicks clicks);
  void Dispatch();
  void Unload();

  // Field `index` of the command record; error 9 when the record is shorter.
  const std::string& Param(std::size_t index) const;
  // The Outlook major version from olversion; no number counts as 11 or more.
  bool UsesItemProperties() const;

  // The subfolder "Alerts" of HostFolder, else its "Sticky Notes", else
  // nothing; the failing lookups are skipped on `on_error`.
  host::Ref<host::outlook::MAPIFolder> AlertsFolder(host::ResumeNext& on_error);
  // Makes a new note in `folder` with the alert's text properties through
  // the mail-store view, unsaved, and yields it (nothing when Add failed).
  host::Ref<host::outlook::Item> AddAlertToItems(const host::Ref<host::outlook::MAPIFolder>& folder,
                                                 host::ResumeNext& on_error);
  // Makes and stores a note in `folder` through CDO with the alert's text
  // properties and note layout, and opens it again into `alert`. Yields
  // whether the note was stored.
  bool AddAlertThroughCdo(const host::Ref<host::outlook::MAPIFolder>& folder,
                          host::Ref<host::outlook::Item>& alert, host::ResumeNext& on_error);

  // Opens the account item of field 1 in both views, CDO first.
  void OpenAccountItem();
  // Opens the database folder through CDO into CDOFolder.
  void OpenCdoDatabaseFolder();
  // Narrows oMessCol, the messages of CDOFolder, to the location accounts
  // whose parent key is `key`; then, from the last to the first, makes each
  // of them omess, with objFields its fields, and calls `rewrite`.
  void RewriteLocationAccounts(const std::string& key, const std::function<void()>& rewrite);
  // Adds a text field to objFields and makes it permanent on omess.
  void WriteField(const std::string& name, const host::Value& value);
  // Calls `work` on each folder that `pfolder` holds, in order; when it
  // yields true and the folder has subfolders, calls `descend` with a new
  // wrapper of it. Subfolders that cannot be counted are recorded as items
  // left unchanged, the failure naming them.
  void ForEachSubfolder(host::Ref<host::omg::SafeFolder>& pfolder, host::ResumeNext& on_error,
                        const std::function<bool(const host::Ref<host::outlook::MAPIFolder>&)>& work,
                        const std::function<void(host::Ref<host::omg::SafeFolder>&)>& descend);
  // Lets go of the objects every folder walk leaves behind at its end.
  void ReleaseWalkObjects();
  // Does `work` on every folder below the one `pfolder` holds, depth first:
  // a folder's own items before its subfolders. `procedure` names the walk
  // in trace lines.
  void WalkFolderTree(const std::string& pNewID, host::Ref<host::omg::SafeFolder>& pfolder,
                      FolderWork work, const char* procedure);
  void MergeFolderItems(const std::string& key, const host::Ref<host::outlook::MAPIFolder>& folder,
                        host::ResumeNext& on_error);
  void MergeItem(const host::Ref<host::outlook::Items>& related, int index, host::ResumeNext& on_error);
  void RewriteNoteThroughCdo(const host::Ref<host::omg::SafeItem>& wrapper, host::ResumeNext& on_error);
  void DeleteFolderItems(const std::string& key, const host::Ref<host::outlook::MAPIFolder>& folder,
                         host::ResumeNext& on_error);

  // The field names Update copies: the fixed four when field 7 is not
  // empty, else field 5 split at ",".
  std::vector<std::string> UpdateFieldList() const;
  // Updates the table of `folder` with the fields of `field_list` that its
  // schema table lists. Yields false when the table refused the statement,
  // so the folder's subfolders are left alone.
  bool UpdateFolderTable(const std::string& key, const host::Ref<host::outlook::MAPIFolder>& folder,
                         const host::Ref<host::ado::Connection>& connection,
                         const host::Ref<host::ado::Recordset>& schema,
                         const std::vector<std::string>& field_list, const std::string& quote,
                         host::ResumeNext& on_error);

  // Adds to `set_list` the assignments of the fields of `field_list` that
  // the open `schema` lists, in the field list's order, each as often as
  // it is listed.
  void AddSchemaListed(const host::Ref<host::ado::Recordset>& schema, const std::vector<std::string>& field_list,
                       reports::SetList& set_list, host::ResumeNext& on_error);

  // Lays the records out in a new workbook of a new spreadsheet application,
  // which `excel` holds: a header row, then the records from row 2.
  void LayOutReport(const host::Ref<host::ado::Recordset>& records,
                    host::Ref<host::excel::Application>& excel, host::ResumeNext& on_error);
  // Writes the field names into row 1 of `sheet`: bold, centred, each column
  // as wide as its name and five more characters.
  void WriteHeaderRow(const host::Ref<host::ado::Recordset>& records,
                      const host::Ref<host::excel::Worksheet>& sheet, host::ResumeNext& on_error);
  // A new sheet after the last, with its header row, for the records that
  // the full one before it could not take.
  host::Ref<host::excel::Worksheet> NextSheet(const host::Ref<host::excel::Application>& excel,
                                              const host::Ref<host::ado::Recordset>& records,
                                              host::ResumeNext& on_error);
  // Writes the records from the current one on, a cell at a time, from row 2
  // of `sheet` and on the sheets after it once it is full.
  void FillCellByCell(const host::Ref<host::ado::Recordset>& records,
                      const host::Ref<host::excel::Application>& excel,
                      host::Ref<host::excel::Worksheet>& sheet, host::ResumeNext& on_error);

  host::MsgBoxResult MsgBox(const std::string& text, host::MsgBoxButtons buttons);
  void DoEvents();

  host::Platform& platform_;
  std::string command_line_;
  std::ostream* trace_;
  bool loaded_ = false;
  Ending ending_;
  std::vector<std::string> unchanged_items_;  // "ENTRYID: what failed", or a folder not visited
  std::vector<std::string> reports_failures_;
  // The tour's slide forms, made on first use, and whether one was shown.
  std::unique_ptr<host::SlideWindow> overview_;
  std::unique_ptr<host::SlideWindow> overview1_;
  bool slides_shown_ = false;
};

}  // namespace app
