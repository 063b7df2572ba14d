// The document's core: object ownership, operations, undo and redo, and event delivery.
#include "model/model.h"

#include <algorithm>

#include "model/guid.h"
#include "model/operation_scope.h"

namespace hostsim {

Model::Model() : Object(RefType::Model) {
    entities = MakeObject<Entities>(this, nullptr);
    defaultLayer = Make<Layer>();
    defaultLayer->name = "Layer0";
    defaultLayer->material = Make<Material>();
    defaultLayer->material->name = "Layer0";
    layers.push_back(defaultLayer);
    guid = NewGuid();
    renderingOptions["DisplayColorByLayer"] = false;
    renderingOptions["DrawHidden"] = false;
    renderingOptions["BackFaceColor"] = std::string("#A4B2BB");
}

Model::~Model() = default;

Entity* Model::FindEntity(uint32_t id) const {
    auto it = byId_.find(id);
    if (it == byId_.end() || it->second->deleted) return nullptr;
    return it->second;
}

ModelCounts Model::Counts() const {
    ModelCounts c;
    auto add = [&c](const Entities* in) {
        for (const DrawingElement* e : in->items) {
            switch (e->type) {
                case RefType::Edge: ++c.edges; break;
                case RefType::Face: ++c.faces; break;
                case RefType::ComponentInstance: ++c.instances; break;
                case RefType::Group: ++c.groups; break;
                case RefType::Image: ++c.images; break;
                default: break;
            }
        }
    };
    add(entities);
    for (const ComponentDefinition* d : definitions) {
        add(d->entities);
        if (d->kind == DefinitionKind::Component) ++c.definitions;
    }
    c.layers = static_cast<int>(layers.size());
    c.materials = static_cast<int>(materials.size());
    return c;
}

Transform Model::EditTransform() const {
    Transform t;
    for (const ComponentInstance* inst : activePath) t = t * inst->transform;
    return t;
}

std::optional<Transform> Model::ReportedFrame(const Entities* in) const {
    if (activePath.empty() || in == nullptr) return std::nullopt;
    const ComponentDefinition* open = activePath.back()->definition;
    if (open == nullptr || open->entities != in) return std::nullopt;
    return EditTransform();
}

// ---- events

void Model::AddListener(EventListener* l) {
    if (std::find(listeners_.begin(), listeners_.end(), l) == listeners_.end()) listeners_.push_back(l);
}

void Model::RemoveListener(EventListener* l) { std::erase(listeners_, l); }

void Model::Fire(const Event& e) {
    // A listener may add or remove listeners while it runs: walk a copy.
    std::vector<EventListener*> now = listeners_;
    for (EventListener* l : now)
        if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end()) l->OnEvent(e);
}

// Events that belong to an undoable edit: a redo sends them again, and they renew the Ruby
// objects of what they name.
static bool IsUndoableEvent(EventKind k) {
    switch (k) {
        case EventKind::ElementAdded:
        case EventKind::ElementModified:
        case EventKind::ElementRemoved:
        case EventKind::MaterialAdd:
        case EventKind::MaterialChange:
        case EventKind::MaterialRemove:
        case EventKind::MaterialUndoRedo:
        case EventKind::LayerAdded:
        case EventKind::LayerChanged:
        case EventKind::LayerRemoved:
        case EventKind::ComponentAdded:
        case EventKind::ComponentRemoved:
        case EventKind::ActivePathChanged:
        case EventKind::RenderingOptionsChanged:
            return true;
        default:
            return false;
    }
}

void Model::Emit(Event e) {
    if (listeners_.empty()) return;  // a model being built before it is opened: nobody to tell
    // Nothing reaches an observer while an operation is open: it all waits for the end.
    if (open_) {
        if (IsUndoableEvent(e.kind)) open_->events.push_back(e);
        queued_.push_back(std::move(e));
        return;
    }
    Fire(e);
}

void Model::FireAll(const std::vector<Event>& events) {
    for (const Event& e : events) Fire(e);
}

void Model::RenewObjects(const std::vector<Event>& events) {
    if (!freshObjectsAfterUndo) return;
    for (const Event& e : events)
        if (e.subject && e.subject->type != RefType::Model && e.subject->type != RefType::Entities)
            e.subject->renewRubyObject = true;
}

Event ModifiedEvent(DrawingElement* e) { return {EventKind::ElementModified, e->parent, e}; }

void Model::EmitModified(DrawingElement* e) { Emit(ModifiedEvent(e)); }

// ---- operations

void Model::Record(Change c) {
    if (open_) open_->changes.push_back(std::move(c));
}

void Model::Edit(const char* name, std::function<void()> apply, std::function<void()> undo, std::vector<Event> forward,
                 std::vector<Event> revert) {
    OperationScope scope(*this, name);
    apply();
    Record({std::move(undo), std::move(apply), std::move(revert)});
    for (Event& e : forward) Emit(std::move(e));
}

void Model::StartOperation(const std::string& name, bool transparent, bool nextTransparent) {
    if (open_) CommitOperation();
    open_ = std::make_unique<Operation>();
    open_->name = name;
    open_->joinsPrevious = (transparent || nextJoins_) && !undo_.empty();
    open_->nextJoins = nextTransparent;
    nextJoins_ = false;
    // Even the start is only heard when the operation ends.
    queued_.push_back({EventKind::TransactionStart, this});
}

void Model::CommitOperation() {
    if (!open_) return;
    std::unique_ptr<Operation> op = std::move(open_);
    std::vector<Event> queued = std::move(queued_);
    queued_.clear();
    nextJoins_ = op->nextJoins;
    if (op->changes.empty()) {
        FireAll(queued);
        Fire({EventKind::TransactionEmpty, this});
        return;
    }
    // queued[0] is the start.
    Fire(queued.front());
    if (deferElementEvents) Fire({EventKind::TransactionCommit, this});
    for (size_t i = 1; i < queued.size(); ++i) Fire(queued[i]);
    if (!deferElementEvents) Fire({EventKind::TransactionCommit, this});
    // The saved state is gone for good when it was among the operations dropped here.
    for (const auto& dropped : redo_)
        if (saved_ && dropped.get() == *saved_) saved_.reset();
    redo_.clear();
    if (op->joinsPrevious) {
        Operation& previous = *undo_.back();
        if (saved_ && *saved_ == &previous) saved_.reset();  // that step now holds more than was saved
        for (Change& c : op->changes) previous.changes.push_back(std::move(c));
        for (Event& e : op->events) previous.events.push_back(std::move(e));
        previous.nextJoins = op->nextJoins;
        return;
    }
    undo_.push_back(std::move(op));
}

std::vector<Event> Model::Revert(Operation& op) {
    std::vector<Event> events;
    for (auto it = op.changes.rbegin(); it != op.changes.rend(); ++it) {
        it->revert();
        events.insert(events.end(), it->revertEvents.begin(), it->revertEvents.end());
    }
    return events;
}

void Model::AbortOperation() {
    if (!open_) return;
    std::unique_ptr<Operation> op = std::move(open_);
    std::vector<Event> queued = std::move(queued_);
    queued_.clear();
    std::vector<Event> reverted = Revert(*op);
    // Aborting a transparent operation aborts the step it joined as well.
    if (op->joinsPrevious) {
        std::unique_ptr<Operation> previous = std::move(undo_.back());
        undo_.pop_back();
        if (saved_ && previous.get() == *saved_) saved_.reset();
        std::vector<Event> more = Revert(*previous);
        reverted.insert(reverted.end(), more.begin(), more.end());
    }
    // What was queued is still delivered: an entity the abort took away arrives deleted.
    Fire(queued.front());
    if (deferElementEvents) Fire({EventKind::TransactionAbort, this});
    for (size_t i = 1; i < queued.size(); ++i) Fire(queued[i]);
    FireAll(reverted);
    if (!deferElementEvents) Fire({EventKind::TransactionAbort, this});
}

bool Model::Undo() {
    if (open_) CommitOperation();
    if (undo_.empty()) return false;
    std::unique_ptr<Operation> op = std::move(undo_.back());
    undo_.pop_back();
    std::vector<Event> reverted = Revert(*op);
    RenewObjects(reverted);
    RenewObjects(op->events);
    redo_.push_back(std::move(op));
    if (deferElementEvents) Fire({EventKind::TransactionUndo, this});
    FireAll(reverted);
    if (!deferElementEvents) Fire({EventKind::TransactionUndo, this});
    return true;
}

void Model::ForgetHistory() {
    if (open_) CommitOperation();
    undo_.clear();
    redo_.clear();
    saved_ = nullptr;
    nextJoins_ = false;
}

bool Model::Redo() {
    if (open_) CommitOperation();
    if (redo_.empty()) return false;
    std::unique_ptr<Operation> op = std::move(redo_.back());
    redo_.pop_back();
    for (Change& c : op->changes) c.reapply();
    RenewObjects(op->events);
    Fire({EventKind::TransactionRedo, this});
    // SketchUp 2017-18 said nothing more about a redo.
    if (deferElementEvents)
        for (Event e : op->events) {
            if (e.kind == EventKind::MaterialChange) e.kind = EventKind::MaterialUndoRedo;
            Fire(e);
        }
    undo_.push_back(std::move(op));
    return true;
}

// ---- membership of collections

void Model::Attach(DrawingElement* e, Entities* in, size_t index) {
    index = std::min(index, in->items.size());
    in->items.insert(in->items.begin() + static_cast<std::ptrdiff_t>(index), e);
    e->parent = in;
    e->deleted = false;
    switch (e->type) {
        case RefType::Edge: {
            auto* edge = static_cast<Edge*>(e);
            edge->start->edges.push_back(edge);
            edge->end->edges.push_back(edge);
            break;
        }
        case RefType::Face: {
            auto* face = static_cast<Face*>(e);
            for (Edge* edge : face->AllEdges()) edge->faces.push_back(face);
            break;
        }
        case RefType::ComponentInstance:
        case RefType::Group:
        case RefType::Image: {
            auto* inst = static_cast<ComponentInstance*>(e);
            if (inst->definition) inst->definition->instances.push_back(inst);
            if (inst->gluedTo) inst->gluedTo->glued.push_back(inst);
            break;
        }
        default:
            break;
    }
}

size_t Model::Detach(DrawingElement* e) {
    Entities* in = e->parent;
    auto it = std::find(in->items.begin(), in->items.end(), e);
    size_t index = static_cast<size_t>(it - in->items.begin());
    if (it != in->items.end()) in->items.erase(it);
    e->deleted = true;
    switch (e->type) {
        case RefType::Edge: {
            auto* edge = static_cast<Edge*>(e);
            std::erase(edge->start->edges, edge);
            std::erase(edge->end->edges, edge);
            break;
        }
        case RefType::Face: {
            auto* face = static_cast<Face*>(e);
            for (Edge* edge : face->AllEdges()) std::erase(edge->faces, face);
            break;
        }
        case RefType::ComponentInstance:
        case RefType::Group:
        case RefType::Image: {
            auto* inst = static_cast<ComponentInstance*>(e);
            if (inst->definition) std::erase(inst->definition->instances, inst);
            if (inst->gluedTo) std::erase(inst->gluedTo->glued, inst);
            break;
        }
        default:
            break;
    }
    return index;
}

void Model::RecordAttach(DrawingElement* e, Entities* in) {
    if (!e->layer) e->layer = defaultLayer;
    size_t index = in->items.size();
    Attach(e, in, index);
    Record({[this, e] { Detach(e); }, [this, e, in, index] { Attach(e, in, index); },
            {{EventKind::ElementRemoved, in, nullptr, e->id}}});
    Emit({EventKind::ElementAdded, in, e});
}

}  // namespace hostsim
