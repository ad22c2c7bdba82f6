#include "tour/slide_forms.h"

namespace tour {
namespace {

using Kind = host::SlideControl::Kind;

}  // namespace

const host::SlideForm& OverviewForm() {
  static const host::SlideForm form{
      "Overview",
      "Quorvia Overview",
      9930,
      6855,
      {
          {"Image1", Kind::kPicture, 0, 0, 9840, 6120, "overview.jpg", -1},
          {"Label1", Kind::kLabel, 240, 6240, 8415, 495,
           "Quorvia adds a toolbar to your Outlook window. You can perform almost all Quorvia "
           "functions from this toolbar.     Click Next to continue.",
           1},
          {"Next1", Kind::kButton, 8880, 6240, 855, 375, "Next", 0},
      }};
  return form;
}

const host::SlideForm& Overview1Form() {
  static const host::SlideForm form{
      "Overview1",
      "Menu Items",
      7560,
      7665,
      {
          {"Label2", Kind::kLabel, 120, 120, 3735, 735,
           "The customizable Add/Action menu allows you to create new items or perform an action "
           "such as switching to a folder.",
           1},
          {"Image2", Kind::kPicture, 120, 960, 3630, 4665, "add_action_list.jpg", -1},
          {"Label1", Kind::kLabel, 120, 5760, 3735, 495,
           "The customizable search menu item allows you to search for any item.", 0},
          {"Image1", Kind::kPicture, 120, 6240, 3000, 1305, "search_list.jpg", -1},
          {"Label3", Kind::kLabel, 4200, 120, 3255, 1095,
           "Quorvia was designed to be customized but can be used out of the box. You can also "
           "navigate the folder structure to access your data.",
           2},
          {"Image3", Kind::kPicture, 4200, 1320, 2985, 5130, "folder_list.jpg", -1},
          {"Command1", Kind::kButton, 5760, 7080, 855, 375, "Back", 3},
          {"Command2", Kind::kButton, 6600, 7080, 855, 375, "Finish", 4},
      }};
  return form;
}

}  // namespace tour
