#include "tools/demo_names.h"

#include <chrono>
#include <cstdio>
#include <iterator>
#include <vector>

namespace storetool::demo {
namespace {

template <std::size_t N>
std::string Pick(const char* const (&list)[N], std::uint64_t pick) {
  return list[pick % N];
}

constexpr const char* kPrefixes[] = {
    "Nordwind", "Bluewater", "Harbor", "Summit", "Cedar", "Granite", "Silverline", "Evergreen",
    "Redwood", "Ironbridge", "Lakeside", "Brightline", "Oakmont", "Pioneer", "Crescent", "Falcon",
    "Müller", "Société Générale des", "Øresund", "Kaşık", "Zürich", "Łódź", "Ångström", "Jørgensen",
    "Maple", "Westfield", "Northstar", "Riverside", "Keystone", "Atlas"};
constexpr const char* kCores[] = {
    "Logistics", "Medical", "Foods", "Energy", "Software", "Capital", "Textiles", "Robotics",
    "Pharma", "Construction", "Analytics", "Freight", "Instruments", "Packaging", "Media",
    "Chemicals", "Insurance", "Motors", "Electronics", "Hospitality"};
constexpr const char* kSuffixes[] = {"Inc.", "GmbH", "Ltd.", "S.A.", "AG", "LLC", "Group", "Partners",
                                     "& Co. KG", "B.V."};
constexpr const char* kFirstNames[] = {
    "Anna", "Ben", "Chloé", "David", "Elif", "Finn", "Grace", "Hiroshi", "Ines", "Jonas",
    "Katarzyna", "Liam", "Maria", "Noah", "Olga", "Pedro", "Quinn", "Rosa", "Søren", "Tomás",
    "Uma", "Viktor", "Wei", "Yasmin", "Zoë"};
constexpr const char* kLastNames[] = {
    "Berg", "Carter", "Dubois", "Eriksen", "Fischer", "García", "Hansen", "Ito", "Jansen",
    "Kowalski", "López", "Meyer", "Novak", "O'Brien", "Petersen", "Rossi", "Schmidt", "Tanaka",
    "Weiß", "Young", "Öztürk", "Åkesson"};
constexpr const char* kTeams[] = {"Enterprise East", "Enterprise West", "Mid-Market North",
                                  "Mid-Market South", "Public Sector", "Channel", "International",
                                  "Inside Sales"};
constexpr const char* kAlignments[] = {"Strategic", "Key", "Growth", "Maintain", "Partner", "Prospect"};
constexpr const char* kCities[] = {"Hamburg", "München", "Lyon", "Malmö", "Kraków", "Porto", "Leeds",
                                   "Rotterdam", "Graz", "Bergen", "Sevilla", "Brno", "Chicago",
                                   "Osaka", "Toronto", "Zaragoza"};
constexpr const char* kIndustries[] = {"Manufacturing", "Retail", "Healthcare", "Finance",
                                       "Transport", "Utilities", "Education", "Government"};
constexpr const char* kTitles[] = {"Purchasing Manager", "Chief Executive Officer", "IT Director",
                                   "Head of Finance", "Office Manager", "Project Lead",
                                   "Procurement Specialist", "Operations Manager"};
constexpr const char* kProducts[] = {"Service contract", "Licence renewal", "Hardware refresh",
                                     "Consulting package", "Training programme", "Cloud migration",
                                     "Support upgrade", "Framework agreement"};
constexpr const char* kActivities[] = {"Discussed the renewal terms", "Presented the new price list",
                                       "Clarified the delivery dates", "Agreed on a pilot project",
                                       "Followed up on the quotation", "Introduced the service team",
                                       "Reviewed the open support cases", "Planned the annual review"};
constexpr const char* kAlerts[] = {"Call back about the open invoice", "Credit limit reached",
                                   "Contract expires next month", "Send the signed offer",
                                   "Key contact has left the company", "Escalation: late delivery"};

constexpr const char* kContactLevels[3][12] = {
    {"East", "West", "North", "South", "Central", "International", "Nordics", "Benelux", "Iberia",
     "Alpine", "Asia Pacific", "Latin America"},
    {"Key Accounts", "Partners", "Prospects", "Suppliers", "Former Customers", "Resellers",
     "Consultants", "Press", "Public Bodies", "Associations", "Universities", "Start-ups"},
    {"Sales", "Purchasing", "Finance", "IT", "Management", "Service", "Logistics", "Legal",
     "Marketing", "Production", "Research", "Human Resources"}};
constexpr const char* kOpportunityLevels[3][12] = {
    {"2025", "2024", "2023", "2022", "2021", "2020", "2019", "2018", "2017", "2016", "2015", "2014"},
    {"Q1", "Q2", "Q3", "Q4", "Renewals", "Upsell", "New Business", "Tenders", "Framework Deals",
     "Pilots", "Services", "Licences"},
    {"Open", "Won", "Lost", "Stalled", "Qualified", "Proposal", "Negotiation", "Closing", "On Hold",
     "Cancelled", "Archived", "Review"}};
constexpr const char* kActivityLevels[3][12] = {
    {"Calls", "Meetings", "Emails", "Visits", "Events", "Support", "Trainings", "Webinars",
     "Trade Fairs", "Workshops", "Demos", "Reviews"},
    {"2025", "2024", "2023", "2022", "2021", "2020", "2019", "2018", "2017", "2016", "2015", "2014"},
    {"January", "February", "March", "April", "May", "June", "July", "August", "September",
     "October", "November", "December"}};

}  // namespace

std::uint64_t Mix(std::uint64_t seed, std::uint64_t stream, std::uint64_t index) {
  // SplitMix64 finalizer over a combination of the three inputs.
  std::uint64_t z = seed * 0x9E3779B97F4A7C15ULL + stream * 0xBF58476D1CE4E5B9ULL + index;
  for (int round = 0; round < 2; ++round) {
    z += 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
  }
  return z;
}

std::string CompanyName(std::uint64_t pick) {
  return Pick(kPrefixes, pick) + " " + Pick(kCores, pick >> 16) + " " + Pick(kSuffixes, pick >> 32);
}

std::string PersonName(std::uint64_t pick) {
  return Pick(kFirstNames, pick) + " " + Pick(kLastNames, pick >> 20);
}

std::string TeamName(std::uint64_t pick) { return Pick(kTeams, pick); }
std::string AlignmentName(std::uint64_t pick) { return Pick(kAlignments, pick); }
std::string CityName(std::uint64_t pick) { return Pick(kCities, pick); }
std::string IndustryName(std::uint64_t pick) { return Pick(kIndustries, pick); }
std::string JobTitle(std::uint64_t pick) { return Pick(kTitles, pick); }
std::string ProductName(std::uint64_t pick) { return Pick(kProducts, pick); }
std::string ActivityText(std::uint64_t pick) { return Pick(kActivities, pick); }
std::string AlertText(std::uint64_t pick) { return Pick(kAlerts, pick); }

std::string TimeText(std::uint64_t pick) {
  using namespace std::chrono;
  constexpr std::uint64_t kSpan = 8ULL * 365 * 24 * 3600;
  const sys_seconds time = sys_days{year{2018} / January / 1} + seconds{pick % kSpan};
  const auto day = floor<days>(time);
  const year_month_day date{day};
  const hh_mm_ss clock{time - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

std::string FolderName(int group, int level, std::int64_t index) {
  const auto& lists = group == 0 ? kContactLevels : group == 1 ? kOpportunityLevels : kActivityLevels;
  const auto& list = lists[level - 2];
  const auto size = static_cast<std::int64_t>(std::size(list));
  std::string name = list[index % size];
  // Appended piece by piece: GCC 12 at -O3 misreads a literal inserted before
  // a temporary string as an overlapping copy (-Wrestrict).
  if (index >= size) name.append(" ").append(std::to_string(index / size + 1));
  return name;
}

}  // namespace storetool::demo
