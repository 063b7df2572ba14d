// Finding Korvan's main windows among the running processes, so that the connection can wake it
// and the renderer check can tell whether it runs.
#pragma once

#include <cstdint>

#include "twinlink/concurrent.h"
#include "twinlink/platform.h"

namespace TwinLinkAPI {

// Appended to from parallel tasks while the processes are examined.
using WindowList = twinlink::concurrent::Vector<twinlink::platform::WindowHandle>;

// The main windows of every running Korvan (image path containing "KORVAN", class name
// containing "START") and Zentrix editor (path "ZENTRIX", class "ZENTRIX EDITOR"), in no
// particular order.
WindowList FindRendererWindows();

// The first visible, unowned top-level window of the process; 0 when it has none.
twinlink::platform::WindowHandle FindMainWindow(uint32_t processId);

}  // namespace TwinLinkAPI
