// The registry, shared-memory and runtime folders of one benchmark run: a new folder under /tmp
// named after `prefix`, set into the three TWINLINK_* variables, removed at the end.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

class PrivateState {
  public:
    explicit PrivateState(const std::string& prefix) {
        std::string pattern = "/tmp/" + prefix + "-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) return;
        root_ = pattern;
        setenv("TWINLINK_REGISTRY_ROOT", (root_ / "registry").c_str(), 1);
        setenv("TWINLINK_SHM_DIR", (root_ / "shm").c_str(), 1);
        setenv("TWINLINK_RUNTIME_DIR", (root_ / "run").c_str(), 1);
    }
    ~PrivateState() {
        std::error_code ignored;
        if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
    }
    PrivateState(const PrivateState&) = delete;
    PrivateState& operator=(const PrivateState&) = delete;

    const std::filesystem::path& Root() const { return root_; }

  private:
    std::filesystem::path root_;
};
