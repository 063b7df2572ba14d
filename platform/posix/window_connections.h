// The sockets a thread keeps connected to the windows it has posted to, so that a post sends
// without looking the window's socket up in the runtime folder again (PostMessage still judges
// the folder's privacy first). A connection reaches the very window it was made to. When that
// window is gone (destroyed, or its process ended) the send is refused: the connection is then
// dropped, and the handle, which a later window may have taken, is looked up afresh.
#pragma once

#include <string>
#include <vector>

#include "twinlink/platform.h"

namespace twinlink::platform::posix {

class WindowConnections {
  public:
    // This thread's connections, closed when the thread ends.
    static WindowConnections& OfThisThread();

    ~WindowConnections();

    // The socket connected to window `handle` of `folder`; -1 when none is kept.
    int Find(const std::string& folder, WindowHandle handle) const;
    // Keeps `socket` (connected to window `handle` of `folder`) and owns it from now on.
    void Keep(const std::string& folder, WindowHandle handle, int socket);
    // Closes the connection to window `handle`.
    void Drop(WindowHandle handle);

  private:
    struct Connection {
        WindowHandle handle;
        int socket;
    };

    void DropAll();

    std::string folder_;  // the connections all lead into this folder
    std::vector<Connection> connections_;
};

}  // namespace twinlink::platform::posix
