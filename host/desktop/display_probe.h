#pragma once

#include <string>

#include "host/desktop/window_platform.h"

namespace desktop {

// The checks done for real: Qt's platform plug-in folders (QT_PLUGIN_PATH,
// QT_QPA_PLATFORM_PLUGIN_PATH and Qt's own), a Unix socket connection, and
// Xlib. Nothing it does can abort the process.
class SystemDisplayProbe : public DisplayProbe {
 public:
  bool HasPlugin(const std::string& platform) override;
  bool WaylandAccepts(const std::string& socket_path) override;
  bool XDisplayOpens(const std::string& display) override;
};

}  // namespace desktop
