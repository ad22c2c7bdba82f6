#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/update_data.h"

// Update's work on the reports database as a minimal program over the
// unixODBC driver manager: the same statements, sent over the data source
// QuorviaReports in the same order, with nothing of the program around them.
namespace bench {

// How the walk holds its connections.
enum class Connections {
  kPerLevel,  // as the program: one per walk level, nested levels open at once
  kOne,       // one for the whole walk
};

// A statement sent, with its bound values in order.
struct SentStatement {
  std::string text;
  std::vector<std::string> values;
  bool operator==(const SentStatement&) const = default;
};

// What one walk did.
struct PlainUpdateCounts {
  std::int64_t connections = 0;
  std::int64_t schema_queries = 0;  // runs of a schema query, all rows read
  std::int64_t updates = 0;
};

// Walks `tree` depth first, a folder before its subfolders. For each folder
// it runs the query of its schema table once per account field, reading
// every row, and sends the update of its table that sets each listed field
// to the account's value (and COMPANY to its name in a contact table) in the
// rows of the account's key, its values bound as parameters. Records in
// `sent`, when given, each folder's schema query and then its update. Fails on the first call the driver refuses.
PlainUpdateCounts PlainUpdate(const std::vector<ReportFolder>& tree, const UpdateAccount& account,
                              Connections connections, std::vector<SentStatement>* sent = nullptr);

}  // namespace bench
