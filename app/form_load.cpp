#include <string>
#include <string_view>
#include <utility>

#include "app/command_record.h"
#include "app/form1.h"
#include "host/utf8.h"

namespace app {
namespace {

constexpr char kUsageMessage[] =
    "Ver 6\r"
    "SYNTAX: QuorviaUpdate Function;EntryID;SearchID;CurrentID;NewID;Field1;Field2...\r"
    "Function: Merge, Update, Realign, Delete, Startup, Help";

constexpr char kDatabaseFolderName[] = "Account Profiles";

// What a user can act on in the description of a creation that failed
// ("cannot make Outlook.Application: WHY"): WHY; any other as it is.
std::string CreationCause(const std::string& description) {
  constexpr std::string_view kCannotMake = "cannot make ";
  const std::size_t colon = description.find(": ");
  if (!description.starts_with(kCannotMake) || colon == std::string::npos) return description;
  return description.substr(colon + 2);
}

}  // namespace

Form1::Form1(host::Platform& platform, std::string command_line, std::ostream* trace)
    : platform_(platform), command_line_(std::move(command_line)), trace_(trace) {}

Outcome Form1::Run() {
  loaded_ = true;
  try {
    try {
      Form_Load();
      if (slides_shown_) LiveOnSlides();
    } catch (const host::StoreFailure& failure) {
      EndRun(Outcome::kStoreUnusable, failure.description());
    }
  } catch (const ProgramEnded& end) {
    Conclude({end.outcome, {}, false});
  }
  if (!reports_failures_.empty()) Conclude({Outcome::kReportsFailed, ReportsFailureReason(), false});
  if (!unchanged_items_.empty()) Conclude({Outcome::kPartlyDone, UnchangedReason(), false});
  return ending_.outcome;
}

void Form1::Form_Load() {
  host::ResumeNext on_error("Form_Load", trace_);
  // The form never gets a window, so it needs nothing to stay hidden.
  if (command_line_.empty()) {
    on_error([&] { MsgBox(kUsageMessage, host::MsgBoxButtons::kOkOnly); });
    EndRun(Outcome::kUsage, "no command given", true);
  }
  // Keys and entry identifiers are written into the store as they come, so
  // text that is not UTF-8 would end up there as bytes no reader takes.
  if (const auto invalid = host::FirstInvalidUtf8(command_line_)) {
    EndRun(Outcome::kUsage,
           "the command is not UTF-8 text (byte " + std::to_string(*invalid + 1) + ")");
  }
  myParam = MakeCommandRecord(command_line_);
  StartSession(on_error);

  on_error.Clear();
  if (!on_error([&] { Dispatch(); })) {
    Conclude({Outcome::kAbandoned,
              FailureInUserWords(myParam, on_error.Number(), on_error.Description(), myParam.front() + " was abandoned: "),
              false});
  }
  Unload();
}

void Form1::StartSession(host::ResumeNext& on_error) {
  on_error([&] { olapp = platform_.CreateOutlookByClass(); });
  if (olapp.IsNothing()) on_error([&] { olapp = platform_.GetRunningOutlook(); });
  if (olapp.IsNothing()) on_error([&] { olapp = platform_.CreateOutlook(); });
  if (olapp.IsNothing()) EndRun(Outcome::kNoSession, CreationCause(on_error.Description()));

  on_error([&] { objSession = platform_.CreateMapiSession(); });
  on_error([&] { objSession->Logon("", "", false, false, 0); });
  if (objSession.IsNothing()) EndRun(Outcome::kNoSession, CreationCause(on_error.Description()));

  on_error([&] { sobj = platform_.CreateQuorviaConnect(); });
  on_error([&] {
    const std::string folder_id = sobj->GetFolderId(kDatabaseFolderName);
    const std::string store_id = sobj->GetStoreId();
    HostFolder = olapp->GetNamespace("MAPI")->GetFolderFromID(folder_id, store_id);
  });
  on_error([&] { olversion = sobj->GetOutlookVersion(); });
  on_error([&] { safeFolder = platform_.CreateSafeFolder(); });
  on_error([&] { safeFolder->SetItem(HostFolder); });
}

void Form1::Dispatch() {
  struct Operation {
    const char* name;
    void (Form1::*procedure)();
  };
  // Tried in this order; the first name equal to field 0 runs, exactly.
  static constexpr Operation kOperations[] = {
      {"Front", &Form1::Front},
      {"Merge", &Form1::Merge},
      {"Realign", &Form1::Realign},
      {"Update", &Form1::Update},
      {"Delete", &Form1::Delete},
      {"Startup", &Form1::Startup},
      {"Help", &Form1::Help},
      {"ExcelReport", &Form1::ExcelReport},
      {"Alerts", &Form1::ShowAlerts},
      {"AddAlerts", &Form1::AddAlerts},
      {"ContactSync", &Form1::ContactSync},
  };
  for (const Operation& operation : kOperations) {
    if (myParam.front() != operation.name) continue;
    (this->*operation.procedure)();
    return;
  }
  Conclude({Outcome::kUsage,
            "unknown function \"" + myParam.front() +
                "\" (function names are case-sensitive; quorvia-utilities --help lists them)",
            false});
}

void Form1::Realign() {}

void Form1::ContactSync() {}

void Form1::Unload() { loaded_ = false; }

const std::string& Form1::Param(std::size_t index) const {
  if (index >= myParam.size()) throw host::SubscriptOutOfRange();
  return myParam[index];
}

host::MsgBoxResult Form1::MsgBox(const std::string& text, host::MsgBoxButtons buttons) {
  return platform_.MessageBoxes().Show(text, buttons, host::MsgBoxIcon::kNone, std::nullopt);
}

void Form1::DoEvents() { platform_.Events().DoEvents(); }

}  // namespace app
