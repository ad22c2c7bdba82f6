#pragma once

#include <array>
#include <cstdint>

namespace alerts {

// The alerts folders below the database folder, in the order they are tried.
inline constexpr const char* kAlertsFolderName = "Alerts";
inline constexpr const char* kStickyNotesFolderName = "Sticky Notes";

inline constexpr char kNoteClass[] = "IPM.StickyNote";

// The text properties of an alert, in the order they are written; the one
// at index i holds command field i + 1.
inline constexpr std::array<const char*, 5> kAlertProperties = {"AccountID", "Account Name",
                                                                "Account Manager", "Team", "Alignment"};

// A note layout field of the note property set, named the way CDO names it:
// the set's identifier in memory order, then the property's long identifier.
struct NoteField {
  const char* name;
  std::int16_t value;
};

// Width, colour (3: yellow), height, left and top, in the order they are
// written; the sizes and places are pixels.
inline constexpr std::array<NoteField, 5> kNoteLayout = {{
    {"{0E20060000000000C000000000000046}0x8B02", 200},
    {"{0E20060000000000C000000000000046}0x8B00", 3},
    {"{0E20060000000000C000000000000046}0x8B03", 166},
    {"{0E20060000000000C000000000000046}0x8B04", 90},
    {"{0E20060000000000C000000000000046}0x8B05", 90},
}};

}  // namespace alerts
