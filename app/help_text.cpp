#include "app/help_text.h"

namespace app {

const char kHelpText[] = R"(Usage: quorvia-utilities 'FUNCTION;FIELD;FIELD;...'
       quorvia-utilities --help | --version

The utility of the Quorvia CRM: does one job on the CRM store and ends.
Fields are split on every ';' and kept exactly; function names are
case-sensitive.

Functions:
  Merge;ENTRYID;;SURVIVINGKEY;MERGEDKEY
      folds the merged account into the surviving one: its location
      accounts, every related item, then its account item
  Delete;ENTRYID;;KEY
      after a Yes to the question, detaches the account's location accounts,
      removes every related item and deletes the account item
  Update;ENTRYID;KEYCOLUMN;KEY;SKIPFOLDER;FIELD,FIELD,...;;FIXED
      copies the account item's fields into the reports database (the ODBC
      data source QuorviaReports): for every folder below the database
      folder, the fields its schema table lists, in the rows of the key;
      FIXED not empty copies Account Name, Account Manager, Team, Alignment
  ExcelReport;QUERY
      runs QUERY on the reports database and writes its result as a new
      workbook, BookN.xlsx in the reports folder; prints its path
  Startup
      runs the key lookups of the first-level folders once; changes nothing
  Help
      the product tour: two slides about the toolbar and its menus, in
      windows or, in console mode, on the terminal; Finish asks the
      companion add-in where the CRM database is. Shows nothing while a
      window titled "REDiraz" is open
  Realign, ContactSync
      do nothing
  AddAlerts;KEY;NAME;MANAGER;TEAM;ALIGNMENT
      makes a sticky-note alert for the account in the alerts folder and
      opens it for its text (in console mode, read from standard input)
  Alerts;KEY
      opens every alert of the account, in the folder's order
  Front;ENTRYID
      when the item opens, minimizes the active item window

Environment:
  QUORVIA_STORE   the store file (default $XDG_DATA_HOME/quorvia/crm.db)
  QUORVIA_UI      gui or console (default gui when a display is set)
  QUORVIA_TRACE   1: write every skipped failing call to standard error
  QUORVIA_LOG     0: write no run log (default $XDG_STATE_HOME/quorvia/utilities.log)
  QUORVIA_REPORTS_DIR  where reports go (default the XDG documents folder)
  QUORVIA_OPEN    0: do not open a written report
  QUORVIA_JOURNAL 0: keep no journal of the run in the store
  ODBCINI, ODBCSYSINI  where unixODBC finds the data source QuorviaReports

Files:
  $XDG_DATA_HOME/quorvia/crm.db
      the CRM store (default ~/.local/share/quorvia/crm.db)
  $XDG_STATE_HOME/quorvia/utilities.log
      the run log: one line a run (default ~/.local/state/quorvia/)
  $XDG_STATE_HOME/quorvia/inspector.log
      what quorvia-inspector, the item windows, could not do
  $XDG_STATE_HOME/quorvia/open.log
      what xdg-open said when it opened a report
  ~/.odbc.ini, /etc/odbc.ini
      the data source QuorviaReports of the reports database

Exit statuses:
  0  done
  1  not done: answered No, the same account twice, an empty key, no such
     account item, a report without records, no alerts folder, a new note
     without text, no item window to minimize, or output that could not
     be written
  2  used wrongly: no or more than one argument, an unknown function, text
     that is not UTF-8, a bad QUORVIA_UI
  3  no session: no store, or not a CRM store
  4  abandoned by a failing call, or a report that could not be written
  5  the reports database could not be opened or refused a statement
  6  the CRM store is damaged, full or read-only
  7  done, but some items could not be changed or shown
)";

}  // namespace app
