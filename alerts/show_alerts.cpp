#include <string>
#include <vector>

#include "accounts/account_filter.h"
#include "app/form1.h"

namespace app {

void Form1::ShowAlerts() {
  host::ResumeNext on_error("ShowAlerts", trace_);
  host::Ref<host::outlook::MAPIFolder> alerts_folder = AlertsFolder(on_error);
  if (alerts_folder.IsNothing()) {
    EndRun(Outcome::kNotDone, "the database folder has no \"Alerts\" or \"Sticky Notes\" folder");
  }
  // The key goes in as a quoted literal: an apostrophe in it then opens its
  // own alerts, and no key can widen the filter to other accounts'.
  on_error([&] { MyOLItems = alerts_folder->Items()->Restrict(accounts::AccountIdFilter(Param(1))); });
  int count = 0;
  on_error([&] { count = MyOLItems->Count(); });
  std::vector<std::string> not_shown;
  for (int i = 1; i <= count; ++i) {
    if (on_error([&] { MyOLItems->Item(i)->Display(); })) continue;
    std::string failure = "alert " + std::to_string(i);
    failure += ": ";
    failure += on_error.Description();
    not_shown.push_back(std::move(failure));
  }
  alerts_folder.Reset();
  MyOLItems.Reset();
  if (!not_shown.empty()) {
    std::string reason = std::to_string(not_shown.size());
    reason += " of ";
    reason += std::to_string(count);
    reason += " alerts could not be shown:";
    for (const std::string& failure : not_shown) reason += " " + failure + ";";
    reason.pop_back();
    EndRun(Outcome::kPartlyDone, std::move(reason));
  }
  ProgramEnd();
}

}  // namespace app
