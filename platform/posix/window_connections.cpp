#include "window_connections.h"

#include <unistd.h>

#include <algorithm>

namespace twinlink::platform::posix {

namespace {

// A thread posts to a few windows (Korvan's); a window that went without another post leaves
// its connection here until this many are kept, and then all are made afresh.
constexpr size_t kMaxConnections = 16;

}  // namespace

WindowConnections& WindowConnections::OfThisThread() {
    thread_local WindowConnections connections;
    return connections;
}

WindowConnections::~WindowConnections() {
    DropAll();
}

int WindowConnections::Find(const std::string& folder, WindowHandle handle) const {
    if (folder != folder_) return -1;
    for (const Connection& connection : connections_)
        if (connection.handle == handle) return connection.socket;
    return -1;
}

void WindowConnections::Keep(const std::string& folder, WindowHandle handle, int socket) {
    if (folder != folder_ || connections_.size() >= kMaxConnections) DropAll();
    folder_ = folder;
    Drop(handle);
    connections_.push_back(Connection{handle, socket});
}

void WindowConnections::Drop(WindowHandle handle) {
    const auto kept = std::find_if(connections_.begin(), connections_.end(),
                                   [&](const Connection& c) { return c.handle == handle; });
    if (kept == connections_.end()) return;
    close(kept->socket);
    connections_.erase(kept);
}

void WindowConnections::DropAll() {
    for (const Connection& connection : connections_) close(connection.socket);
    connections_.clear();
}

}  // namespace twinlink::platform::posix
