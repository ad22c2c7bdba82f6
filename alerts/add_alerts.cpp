#include <chrono>
#include <cstdint>
#include <ctime>

#include "alerts/alert_fields.h"
#include "app/form1.h"

namespace app {
namespace {

// The local date and time now, to the second.
host::LocalTime LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  using namespace std::chrono;
  const local_days day{year{local.tm_year + 1900} / (local.tm_mon + 1) / local.tm_mday};
  return day + hours{local.tm_hour} + minutes{local.tm_min} + seconds{local.tm_sec};
}

}  // namespace

void Form1::AddAlerts() {
  host::ResumeNext on_error("AddAlerts", trace_);
  const host::Ref<host::outlook::MAPIFolder> alerts_folder = AlertsFolder(on_error);
  if (alerts_folder.IsNothing()) {
    EndRun(Outcome::kNotDone, "the database folder has no \"Alerts\" or \"Sticky Notes\" folder");
  }
  host::Ref<host::outlook::Item> alert;
  bool stored = false;
  if (UsesItemProperties()) {
    alert = AddAlertToItems(alerts_folder, on_error);
  } else {
    stored = AddAlertThroughCdo(alerts_folder, alert, on_error);
  }
  // A note stored through CDO is the account's alert even when no window
  // can show it now.
  if (!on_error([&] { alert->Display(); }) && !stored) {
    EndRun(Outcome::kNotDone, "no alert was made: " + on_error.Description());
  }
  ProgramEnd();
}

host::Ref<host::outlook::Item> Form1::AddAlertToItems(const host::Ref<host::outlook::MAPIFolder>& folder,
                                                      host::ResumeNext& on_error) {
  host::Ref<host::outlook::Item> alert;
  on_error([&] { alert = folder->Items()->Add(alerts::kNoteClass); });
  for (std::size_t i = 0; i < alerts::kAlertProperties.size(); ++i) {
    const std::string name = alerts::kAlertProperties[i];
    on_error([&] { alert->itemproperties()->Add(name, host::kOlText); });
    on_error([&] { alert->itemproperties()->Item(name)->SetValue(Param(i + 1)); });
  }
  return alert;
}

bool Form1::AddAlertThroughCdo(const host::Ref<host::outlook::MAPIFolder>& folder,
                               host::Ref<host::outlook::Item>& alert, host::ResumeNext& on_error) {
  host::Ref<host::cdo::Folder> cdo_folder;
  on_error([&] {
    const std::string entry_id = folder->EntryID();
    cdo_folder = objSession->GetFolder(entry_id, folder->StoreID());
  });
  on_error([&] { oMessCol = cdo_folder->Messages(); });
  on_error([&] { omess = oMessCol->Add(std::nullopt, std::nullopt, std::string(alerts::kNoteClass)); });
  on_error([&] { objFields = omess->Fields(); });
  for (std::size_t i = 0; i < alerts::kAlertProperties.size(); ++i) {
    on_error([&] { objFields->Add(alerts::kAlertProperties[i], host::kClassText, Param(i + 1)); });
  }
  for (const alerts::NoteField& field : alerts::kNoteLayout) {
    on_error([&] { objFields->Add(field.name, host::kClassInteger, std::int32_t{field.value}); });
  }
  on_error([&] { omess->SetTimeSent(LocalNow()); });
  on_error([&] { omess->SetTimeReceived(omess->TimeSent()); });
  on_error([&] { omess->SetSent(true); });
  on_error([&] { omess->SetUnread(false); });
  on_error([&] { omess->SetSubmitted(false); });
  const bool stored = on_error([&] { omess->Update(true, true); });
  on_error([&] {
    const std::string entry_id = omess->ID();
    alert = olapp->GetNamespace("MAPI")->GetItemFromID(entry_id, folder->StoreID());
  });
  omess.Reset();
  objFields.Reset();
  return stored;
}

}  // namespace app
