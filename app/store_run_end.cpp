#include "app/store_run_end.h"

#include "host/error.h"
#include "host/store/store_hosts.h"

namespace app {
namespace {

constexpr char kNothingRemains[] = "; nothing of the run remains in the store";

void EndUnusable(store::StoreHosts& store, Ending& ending) {
  store.RollBackRun();
  if (!store.Committed()) ending.reason += kNothingRemains;
}

}  // namespace

void EndStoreRun(store::StoreHosts& store, Ending& ending, const store::Retention& retention,
                 std::ostream& err) {
  if (ending.outcome == Outcome::kStoreUnusable) return EndUnusable(store, ending);
  try {
    store.EndRun(ExitStatus(ending.outcome), retention);
  } catch (const host::StoreFailure&) {
    // The commit below fails the same way and says why.
  } catch (const host::Error& error) {
    err << "quorvia-utilities: the journal does not hold the end of this run: " << error.description() << '\n';
  }
  try {
    store.CommitRun();
  } catch (const host::StoreCommitInDoubt& failure) {
    // Whether anything of the run remains is not known: the reason says so.
    ending = {Outcome::kStoreUnusable, failure.description(), false};
    store.RollBackRun();
  } catch (const host::StoreFailure& failure) {
    ending = {Outcome::kStoreUnusable, failure.description(), false};
    EndUnusable(store, ending);
  }
}

}  // namespace app
