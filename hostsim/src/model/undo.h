// The undo journal. Every edit of the document is recorded as a change that knows how to
// revert itself (with the events SketchUp sends while undoing it) and how to apply itself
// again. An operation is the list of changes between start_operation and commit_operation,
// with the events its edits sent, which a redo sends again in the current observer order.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/events.h"

namespace hostsim {

struct Change {
    std::function<void()> revert;
    std::function<void()> reapply;
    std::vector<Event> revertEvents;  // sent after revert() when an undo or abort runs it
};

struct Operation {
    std::string name;
    bool implicit = false;       // opened by a single edit outside any operation
    bool joinsPrevious = false;  // transparent: one undo step with the operation before it
    bool nextJoins = false;      // the next operation is transparent to this one
    std::vector<Change> changes;
    std::vector<Event> events;  // the undoable events its edits sent, in order
};

}  // namespace hostsim
