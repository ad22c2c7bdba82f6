#include "app/form1.h"

namespace app {

void Form1::ProgramEnd(Outcome outcome) {
  // Before anything is let go: should the writes held back fail together,
  // the run's transaction starts over with everything still in place. A
  // run that ends on a store failure writes nothing more.
  if (outcome != Outcome::kStoreUnusable) platform_.FinishStoreWrites();
  host::ResumeNext on_error("ProgramEnd", trace_);
  on_error([&] { objSession->Logoff(); });
  objSession.Reset();
  olapp.Reset();
  sobj.Reset();
  CDOFolder.Reset();
  oMessCol.Reset();
  oFilter.Reset();
  omess.Reset();
  myitem.Reset();
  safeFolder.Reset();
  Unload();
  throw ProgramEnded{outcome};
}

}  // namespace app
