#include "tools/demo_accounts.h"

#include <cstdio>

#include "tools/demo_names.h"

namespace storetool::demo {
namespace {

// Streams of Mix, one per use, so that the picks are independent.
enum Stream : std::uint64_t { kName = 1, kManager, kTeam, kAlignment, kLocation, kParent, kCity, kIndustry };

}  // namespace

AccountPlan::AccountPlan(std::uint64_t seed, std::int64_t count, std::int64_t key_locations)
    : seed_(seed), count_(count), key_locations_(key_locations) {}

std::string AccountPlan::Key(std::int64_t index) {
  char text[32];
  std::snprintf(text, sizeof text, "A%06lld", static_cast<long long>(index));
  return text;
}

bool AccountPlan::MayBeLocation(std::int64_t index) const {
  return Mix(seed_, kLocation, static_cast<std::uint64_t>(index)) % 10 == 0;
}

std::int64_t AccountPlan::ParentOf(std::int64_t index) const {
  if (index < 1 || index > count_) return 0;
  if (key_locations_ > 0 && index >= 2 && index <= key_locations_ + 1) return 1;
  const std::int64_t lowest = key_locations_ > 0 ? key_locations_ + 2 : 1;
  if (index <= lowest || !MayBeLocation(index)) return 0;
  const auto span = static_cast<std::uint64_t>(index - lowest);
  std::int64_t parent = lowest + static_cast<std::int64_t>(Mix(seed_, kParent, static_cast<std::uint64_t>(index)) % span);
  // A parent is never a location itself: look further down for one.
  while (parent >= lowest && MayBeLocation(parent)) --parent;
  return parent >= lowest ? parent : 0;
}

AccountInfo AccountPlan::Own(std::int64_t index) const {
  const auto i = static_cast<std::uint64_t>(index);
  AccountInfo info;
  info.key = Key(index);
  info.name = CompanyName(Mix(seed_, kName, i));
  info.manager = PersonName(Mix(seed_, kManager, i));
  info.team = TeamName(Mix(seed_, kTeam, i));
  info.alignment = AlignmentName(Mix(seed_, kAlignment, i));
  info.industry = IndustryName(Mix(seed_, kIndustry, i));
  return info;
}

AccountInfo AccountPlan::Info(std::int64_t index) const {
  AccountInfo info = Own(index);
  const std::int64_t parent = ParentOf(index);
  if (parent == 0) return info;
  const AccountInfo owner = Own(parent);
  info.name = owner.name + " – " + CityName(Mix(seed_, kCity, static_cast<std::uint64_t>(index)));
  info.manager = owner.manager;
  info.team = owner.team;
  info.alignment = owner.alignment;
  info.industry = owner.industry;
  info.parent_name = owner.name;
  info.parent_key = owner.key;
  return info;
}

}  // namespace storetool::demo
