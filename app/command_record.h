#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace app {

// Splits the command-line text on every ";" into the command record: as many
// fields as separators plus one, each keeping every character between them.
std::vector<std::string> MakeCommandRecord(std::string_view command_line);

// What a record too short for its function lacks, in the user's words:
// "Merge needs Merge;ENTRYID;;SURVIVINGKEY;MERGEDKEY (got 4 fields)"; "" when
// it has all the fields its function reads, or the function takes none.
std::string MissingFields(const std::vector<std::string>& record);

// A failure (error `number`, `description`) that ends the command, in the
// user's words for its reason: what the record lacks when the failure is
// a field it does not have (error 9), else `lead` and the description; the
// number stays in the trace.
std::string FailureInUserWords(const std::vector<std::string>& record, long number, const std::string& description,
                               const std::string& lead);

}  // namespace app
