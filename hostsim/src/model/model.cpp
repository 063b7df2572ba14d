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

static bool IsElementEvent(EventKind k) {
    switch (k) {
        case EventKind::ElementAdded:
        case EventKind::ElementModified:
        case EventKind::ElementRemoved:
        case EventKind::MaterialAdd:
        case EventKind::MaterialChange:
        case EventKind::MaterialRemove:
        case EventKind::LayerAdded:
        case EventKind::LayerChanged:
        case EventKind::LayerRemoved:
        case EventKind::ComponentAdded:
        case EventKind::ComponentRemoved:
            return true;
        default:
            return false;
    }
}

void Model::Emit(Event e) {
    if (replaying_) return;  // redo reports nothing but its own end
    if (deferElementEvents && open_ && IsElementEvent(e.kind)) {
        deferred_.push_back(std::move(e));
        return;
    }
    Fire(e);
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

void Model::StartOperation(const std::string& name) {
    if (open_) CommitOperation();
    open_ = std::make_unique<Operation>();
    open_->name = name;
    Fire({EventKind::TransactionStart, this});
}

void Model::CommitOperation() {
    if (!open_) return;
    std::unique_ptr<Operation> op = std::move(open_);
    std::vector<Event> later = std::move(deferred_);
    deferred_.clear();
    if (op->changes.empty()) {
        Fire({EventKind::TransactionEmpty, this});
        return;
    }
    Fire({EventKind::TransactionCommit, this});
    for (const Event& e : later) Fire(e);
    undo_.push_back(std::move(op));
    // The saved state is gone for good when it was among the operations dropped here.
    for (const auto& dropped : redo_)
        if (saved_ && dropped.get() == *saved_) saved_.reset();
    redo_.clear();
}

void Model::RunRevert(Operation& op) {
    for (auto it = op.changes.rbegin(); it != op.changes.rend(); ++it) {
        it->revert();
        for (const Event& e : it->revertEvents) Fire(e);
    }
}

void Model::AbortOperation() {
    if (!open_) return;
    std::unique_ptr<Operation> op = std::move(open_);
    bool announced = deferred_.empty();  // with deferred events nothing was reported yet
    deferred_.clear();
    if (announced) {
        RunRevert(*op);
    } else {
        for (auto it = op->changes.rbegin(); it != op->changes.rend(); ++it) it->revert();
    }
    Fire({EventKind::TransactionAbort, this});
}

bool Model::Undo() {
    if (open_) CommitOperation();
    if (undo_.empty()) return false;
    std::unique_ptr<Operation> op = std::move(undo_.back());
    undo_.pop_back();
    RunRevert(*op);
    Fire({EventKind::TransactionUndo, this});
    redo_.push_back(std::move(op));
    return true;
}

void Model::ForgetHistory() {
    if (open_) CommitOperation();
    undo_.clear();
    redo_.clear();
    saved_ = nullptr;
}

bool Model::Redo() {
    if (open_) CommitOperation();
    if (redo_.empty()) return false;
    std::unique_ptr<Operation> op = std::move(redo_.back());
    redo_.pop_back();
    replaying_ = true;
    for (Change& c : op->changes) c.reapply();
    replaying_ = false;
    Fire({EventKind::TransactionRedo, this});
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
