// SketchUp's observer events turned into changes of the mirror, in either of the two orders in
// which SketchUp delivers them:
//  - SketchUp 2017-18: an operation's element events come between onTransactionStart and
//    onTransactionCommit; an undo's come before onTransactionUndo; a redo says nothing but
//    onTransactionRedo, so the plug-in keeps what each undo changed and replays it on redo.
//  - current SketchUp: onTransactionStart and onTransactionCommit come together when the
//    operation ends, and its element events after them; an undo or redo announces itself first
//    and then reports what it changed.
// The order is learnt from the events themselves: an element event inside a bracket can only
// come from the first, one right after an undo or redo only from the second. Every element event
// is applied at once; a change opened outside a bracket is closed at the next transaction event
// or, failing that, by a zero-second timer as soon as SketchUp is idle again.
#include <algorithm>
#include <memory>

#include "plugin/plugin_controller.h"
#include "rubybridge/ruby_entry.h"
#include "rubybridge/ruby_symbols.h"
#include "rubybridge/ruby_values.h"
#include "liveconnection/wide_text.h"

namespace korvan {

using rb::id;
using rb::k;

namespace {

// The tool that edits a face's texture position; what it reports is the face's texture
// coordinates, not the face.
constexpr int32_t kTexturePositionToolId = 21515;

bool IsLive(VALUE entity) {
    return !NIL_P(entity) && !RTEST(rb_funcall(entity, id.isDeleted, 0));
}

bool IsGeometry(VALUE klass) {
    return klass == k.cGroup || klass == k.cComponentInstance || klass == k.cImage ||
           klass == k.cFace;
}

VALUE CloseTimerBlock(VALUE, VALUE data, int, const VALUE*, VALUE) {
    return rb::RubyEntry([&] {
        reinterpret_cast<PluginController*>(data)->CloseChangeWhenIdle();
        return Qnil;
    });
}

VALUE ReattachTimerBlock(VALUE, VALUE data, int, const VALUE*, VALUE) {
    return rb::RubyEntry([&] {
        auto* controller = reinterpret_cast<PluginController*>(data);
        if (controller->connection->IsReady() && controller->observerDetached) {
            controller->observerDetached = false;
            rb_funcall(controller->model, id.addObserver, 1, controller->observer);
        }
        return Qnil;
    });
}

void StartOneShotTimer(PluginController* controller, rb::NativeBlock block) {
    const VALUE arguments[] = {DBL2NUM(0.0), Qfalse};
    rb::CallWithBlock(k.mUI, id.startTimer, 2, arguments, block,
                      reinterpret_cast<VALUE>(controller));
}

}  // namespace

// ---- what an event teaches about the order

void PluginController::LearnOrderFromElementEvent() {
    if (inTransaction) {
        eventOrder = EventOrder::InsideBracket;
    } else if (eventOrder == EventOrder::Unknown &&
               (lastTransactionEvent == TransactionEvent::Undo ||
                lastTransactionEvent == TransactionEvent::Redo ||
                lastTransactionEvent == TransactionEvent::Commit)) {
        // Under 2017-18 nothing follows an undo or redo, and nothing follows a commit whose own
        // bracket was empty (an undo of it reverts nothing).
        eventOrder = EventOrder::AfterCommit;
    }
}

// ---- change records

void PluginController::EnsureChangeRecord() {
    LearnOrderFromElementEvent();
    if (inTransaction || pendingRecord) return;
    OpenPendingRecord();
}

void PluginController::OpenPendingRecord() {
    pendingRecord = std::make_unique<ChangeRecord>();
    scene->UpdateEditContext();
    scene->BeginSceneChange();
    if (!closeTimerArmed) {
        closeTimerArmed = true;
        StartOneShotTimer(this, CloseTimerBlock);
    }
}

void PluginController::DiscardChangeRecord() {
    pendingRecord.reset();
}

void PluginController::CloseOutsideChange() {
    if (!pendingRecord) return;
    DiscardChangeRecord();
    RequestSyncOrStop();
}

void PluginController::CloseChangeWhenIdle() {
    closeTimerArmed = false;
    if (!connection->IsOpen()) return;
    CloseOutsideChange();
}

void PluginController::RecordKey(std::set<ChangeKey> ChangeRecord::*set, ChangeKey key) {
    if (pendingRecord) ((*pendingRecord).*set).insert(key);
}

uint32_t PluginController::ResolveParentId(VALUE entities) {
    if (NIL_P(entities)) return kNoParent;
    const VALUE parent = rb_funcall(entities, id.parent, 0);
    const VALUE klass = rb::ClassOf(parent);
    if (klass == k.cModel) return kRootParent;
    if (klass == k.cGroup || klass == k.cComponentInstance) {
        const VALUE definition = rb_funcall(parent, id.definition, 0);
        return NIL_P(definition) ? kNoParent : rb::EntityIdOf(definition);
    }
    if (klass == k.cComponentDefinition) return rb::EntityIdOf(parent);
    return kNoParent;
}

VALUE PluginController::ResolveEntities(uint32_t parentId) {
    if (parentId == kRootParent) return rb_funcall(model, id.entities, 0);
    if (parentId == 0 || parentId >= kMarkerDefinition) return Qnil;
    const VALUE found = rb_funcall(model, id.findEntityById, 1, rb::FromInt(static_cast<int32_t>(parentId)));
    if (NIL_P(found)) return Qnil;
    const VALUE klass = rb::ClassOf(found);
    if (klass == k.cModel || klass == k.cComponentDefinition) return rb_funcall(found, id.entities, 0);
    if (klass == k.cGroup || klass == k.cComponentInstance) {
        const VALUE definition = rb_funcall(found, id.definition, 0);
        return NIL_P(definition) ? Qnil : rb_funcall(definition, id.entities, 0);
    }
    return Qnil;
}

// ---- element events

void PluginController::OnElementAdded(VALUE entities, VALUE entity) {
    EnsureChangeRecord();
    if (!IsLive(entity)) return;
    const VALUE klass = rb::ClassOf(entity);
    if (!IsGeometry(klass)) {
        if (klass == k.cEdge) {
            SUEdgeRef edge = SU_INVALID;
            edge.ptr = DATA_PTR(entity);
            scene->HoldSceneForHost();
            scene->RegisterEdge(edge);
        }
        return;
    }
    if (NIL_P(entities)) entities = rb::OwnerEntities(entity);
    RecordKey(&ChangeRecord::added, MakeChangeKey(rb::EntityIdOf(entity), ResolveParentId(entities)));
    scene->ElementAdded(entities, entity);
}

void PluginController::OnElementModified(VALUE entities, VALUE entity) {
    EnsureChangeRecord();
    if (!IsLive(entity)) return;
    const uint32_t entityId = rb::EntityIdOf(entity);
    const VALUE klass = rb::ClassOf(entity);
    if (klass == k.cEdge) {
        SUEdgeRef edge = SU_INVALID;
        edge.ptr = DATA_PTR(entity);
        scene->HoldSceneForHost();
        const auto [changed, smoothOrSoft] = scene->EdgeChanged(edge);
        if (!changed && !smoothOrSoft) return;
        const VALUE faces = rb_funcall(entity, id.faces, 0);
        if (!RB_TYPE_P(faces, T_ARRAY)) return;
        const uint32_t parentId = ResolveParentId(entities);
        for (long i = 0; i < RARRAY_LEN(faces); ++i) {
            const VALUE face = RARRAY_AREF(faces, i);
            if (!IsGeometry(rb::ClassOf(face))) continue;
            const ChangeKey key = MakeChangeKey(rb::EntityIdOf(face), parentId);
            if (pendingRecord && pendingRecord->modified.contains(key)) continue;
            OnElementModified(entities, face);
        }
        return;
    }
    if (klass == k.cMaterial) {
        if (pendingRecord) {
            RecordKey(&ChangeRecord::modified, MakeChangeKey(entityId, kMarkerMaterial));
            return;
        }
    } else if (!IsGeometry(klass)) {
        // A texture position edit reports the face's texture coordinates: re-apply the face.
        if (activeToolId != kTexturePositionToolId) return;
        const VALUE name = rb_funcall(entity, id.typename_, 0);
        if (NIL_P(name) || !TwinLinkAPI::ContainsNoCase(rb::RubyToWide(name), u"FaceTextureCoords")) return;
        entity = rb_funcall(rb_funcall(entity, id.parent, 0), id.parent, 0);
        if (!IsLive(entity)) return;
    }
    if (NIL_P(entities)) entities = rb::OwnerEntities(entity);
    RecordKey(&ChangeRecord::modified, MakeChangeKey(entityId, ResolveParentId(entities)));
    scene->EntityChanged(entities, entity);
}

void PluginController::OnElementRemoved(VALUE entities, uint32_t entityId) {
    EnsureChangeRecord();
    RecordKey(&ChangeRecord::removed, MakeChangeKey(entityId, ResolveParentId(entities)));
    scene->ElementRemoved(entities, entityId);
}

void PluginController::OnComponentAdded(VALUE definition) {
    EnsureChangeRecord();
    if (!IsLive(definition)) return;
    RecordKey(&ChangeRecord::added, MakeChangeKey(rb::EntityIdOf(definition), kMarkerDefinition));
    // Registering attaches the observer to the definition's entities; the model's own events
    // must not reach it meanwhile.
    rb_funcall(model, id.removeObserver, 1, observer);
    scene->DefinitionAdded(definition);
    rb_funcall(model, id.addObserver, 1, observer);
}

// ---- materials and layers

void PluginController::OnMaterialAdded(VALUE material) {
    EnsureChangeRecord();
    if (!IsLive(material)) return;
    RecordKey(&ChangeRecord::added, MakeChangeKey(rb::EntityIdOf(material), kMarkerMaterial));
    SUMaterialRef ref = SU_INVALID;
    ref.ptr = DATA_PTR(material);
    scene->HoldSceneForHost();
    materials->AddMaterial(ref, material, kNoId);
}

void PluginController::OnMaterialChanged(VALUE material) {
    EnsureChangeRecord();
    if (!IsLive(material)) return;
    RecordKey(&ChangeRecord::modified, MakeChangeKey(rb::EntityIdOf(material), kMarkerMaterial));
    scene->MaterialChanged(material);
}

void PluginController::OnMaterialRemoved() {
    EnsureChangeRecord();
    RecordKey(&ChangeRecord::removed, MakeChangeKey(0, kMarkerMaterial));
    scene->HoldSceneForHost();
    materials->PurgeRemovedMaterials();
}

void PluginController::OnLayerAdded(VALUE layer) {
    EnsureChangeRecord();
    if (!IsLive(layer)) return;
    RecordKey(&ChangeRecord::added, MakeChangeKey(rb::EntityIdOf(layer), kMarkerLayer));
    scene->LayerAdded(layer);
}

void PluginController::OnLayerChanged(VALUE layer) {
    EnsureChangeRecord();
    if (!IsLive(layer)) return;
    RecordKey(&ChangeRecord::modified, MakeChangeKey(rb::EntityIdOf(layer), kMarkerLayer));
    scene->OnLayerVisibilityChanged(layer);
}

void PluginController::OnLayerRemoved(VALUE layers) {
    EnsureChangeRecord();
    RecordKey(&ChangeRecord::removed, MakeChangeKey(0, kMarkerLayer));
    scene->PurgeRemovedLayers(layers);
}

// ---- transactions

void PluginController::OnTransactionStart() {
    CloseOutsideChange();
    lastTransactionEvent = TransactionEvent::Start;
    inTransaction = true;
    DiscardChangeRecord();
}

void PluginController::OnTransactionEnd() {
    lastTransactionEvent = TransactionEvent::Commit;
    inTransaction = false;
    DiscardChangeRecord();
    RequestSyncOrStop();
}

void PluginController::OnTransactionUndo() {
    if (eventOrder == EventOrder::AfterCommit) {
        // Its events follow (and so will a redo's): close what the operation before reported.
        CloseOutsideChange();
    } else {
        // The undo's events came first: the pending record is what it changed, kept for a redo
        // that will report nothing. Every undo keeps one, empty when it reported nothing (a
        // rendering option), so that each redo replays its own.
        redoRecords.push_front(pendingRecord ? std::move(pendingRecord) : std::make_unique<ChangeRecord>());
    }
    lastTransactionEvent = TransactionEvent::Undo;
    scene->remeshNeighbours = activeToolId == kPushPullToolId;
    RequestSyncOrStop();
}

void PluginController::OnTransactionRedo() {
    CloseOutsideChange();
    DiscardChangeRecord();
    lastTransactionEvent = TransactionEvent::Redo;
    scene->UpdateEditContext();
    if (!redoRecords.empty()) {
        std::unique_ptr<ChangeRecord> record = std::move(redoRecords.front());
        redoRecords.pop_front();
        // In the current order the redo reports what it applies again; replaying as well would
        // only do the same work twice.
        if (eventOrder != EventOrder::AfterCommit) ReplayRecord(*record, true);
    }
    // A rendering option is no entity: no record holds it, and a silent redo may have switched
    // colouring by layer back.
    scene->ApplyColourByLayerChange();
    RequestSyncOrStop();
    if (connection->IsReady() && observerDetached) StartOneShotTimer(this, ReattachTimerBlock);
}

void PluginController::ReplayRecord(const ChangeRecord& record, bool redo) {
    const std::set<ChangeKey>& reAdd = redo ? record.removed : record.added;
    const std::set<ChangeKey>& takeAway = redo ? record.added : record.removed;
    if (reAdd.empty() && record.modified.empty() && takeAway.empty()) return;

    rb_funcall(model, id.removeObserver, 1, observer);
    observerDetached = true;
    scene->BeginSceneChange();

    // Materials the replay brings back come first: the faces below may be painted with them.
    if (std::any_of(reAdd.begin(), reAdd.end(),
                    [](ChangeKey key) { return ParentOfKey(key) == kMarkerMaterial; }))
        materials->AddMissingMaterials();
    auto find = [this](ChangeKey key) {
        return rb_funcall(model, id.findEntityById, 1,
                          rb::FromInt(static_cast<int32_t>(EntityIdOfKey(key))));
    };
    for (const ChangeKey key : record.modified) {
        const VALUE entity = find(key);
        if (!IsLive(entity)) continue;
        const VALUE klass = rb::ClassOf(entity);
        if (IsGeometry(klass)) scene->EntityChanged(ResolveEntities(ParentOfKey(key)), entity);
        else if (klass == k.cMaterial) scene->MaterialChanged(entity);
        else if (klass == k.cLayer) scene->OnLayerVisibilityChanged(entity);
    }
    bool materialsTouched = false;
    bool layersTouched = false;
    auto refresh = [&] {
        if (materialsTouched) materials->PurgeRemovedMaterials();
        if (layersTouched) scene->PurgeRemovedLayers(rb_funcall(model, id.layers, 0));
        materialsTouched = layersTouched = false;
    };
    for (const ChangeKey key : takeAway) {
        const uint32_t parent = ParentOfKey(key);
        if (parent == kMarkerMaterial) materialsTouched = true;
        else if (parent == kMarkerLayer) layersTouched = true;
        else if (parent != kMarkerDefinition && EntityIdOfKey(key) != 0)
            scene->ElementRemoved(ResolveEntities(parent), EntityIdOfKey(key));
    }
    refresh();
    for (const ChangeKey key : reAdd) {
        const uint32_t parent = ParentOfKey(key);
        if (EntityIdOfKey(key) == 0) {
            materialsTouched = materialsTouched || parent == kMarkerMaterial;
            layersTouched = layersTouched || parent == kMarkerLayer;
            continue;
        }
        const VALUE entity = find(key);
        if (!IsLive(entity)) continue;
        const VALUE klass = rb::ClassOf(entity);
        if (IsGeometry(klass)) {
            scene->ElementAdded(ResolveEntities(parent), entity);
        } else if (klass == k.cMaterial) {
            SUMaterialRef ref = SU_INVALID;
            ref.ptr = DATA_PTR(entity);
            materials->AddMaterial(ref, entity, kNoId);
        } else if (klass == k.cLayer) {
            scene->OnLayerVisibilityChanged(entity);
        } else if (klass == k.cComponentDefinition) {
            scene->DefinitionAdded(entity);
        }
    }
    refresh();
    scene->remeshNeighbours = activeToolId == kPushPullToolId;
}

// ---- scenes, options, tools

void PluginController::OnPagesChanged(VALUE pages) {
    scene->HoldSceneForHost();
    scene->PageChanged(pages);
    // A scene selection is not an operation: nothing else closes what it changed.
    if (!inTransaction && !pendingRecord) RequestSyncOrStop();
}

void PluginController::OnColourByLayerSwitched() {
    scene->ApplyColourByLayerChange();
    if (!inTransaction && !pendingRecord) RequestSyncOrStop();
}

void PluginController::OnActiveToolChanged(int32_t toolId) {
    activeToolId = toolId;
    scene->remeshNeighbours = toolId == kPushPullToolId;
}

}  // namespace korvan
