// Every edit belongs to an operation. An edit made outside start_operation/commit_operation
// becomes an operation of its own, as SketchUp does for a single Ruby API call.
#pragma once

#include "model/model.h"

namespace hostsim {

struct Model::OperationScope {
    OperationScope(Model& m, const char* name) : model(m), implicit(!m.InOperation()) {
        if (implicit) {
            model.StartOperation(name);
            model.open_->implicit = true;
        }
    }
    ~OperationScope() {
        if (implicit) model.CommitOperation();
    }
    OperationScope(const OperationScope&) = delete;
    OperationScope& operator=(const OperationScope&) = delete;

    Model& model;
    const bool implicit;
};

}  // namespace hostsim
