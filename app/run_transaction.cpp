#include "app/form1.h"
#include "host/rerun_on_conflict.h"

namespace app {

void Form1::InRunTransaction(const std::vector<std::string>& accounts, const std::function<void()>& body) {
  // What a try noted goes with its rolled-back changes.
  const std::size_t noted = unchanged_items_.size();
  host::RerunOnConflict(
      [&] {
        unchanged_items_.resize(noted);
        platform_.TakeStoreForWriting(accounts);
      },
      [&] {
        body();
        platform_.FinishStoreWrites();
      });
}

}  // namespace app
