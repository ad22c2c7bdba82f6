#pragma once

#include <ostream>

#include "app/outcome.h"
#include "host/store/run_record.h"

namespace store {
class StoreHosts;
}  // namespace store

namespace app {

// Ends the run's work on the store once `ending` is known. After a failure
// of the store as a whole the run's transaction is rolled back; otherwise
// the end is recorded in the journal and the run committed. A commit that
// fails turns `ending` into that failure; a journal that cannot record the
// end is reported on `err` and keeps the ending.
void EndStoreRun(store::StoreHosts& store, Ending& ending, const store::Retention& retention,
                 std::ostream& err);

}  // namespace app
