// The whole model mirrored in one go when a link starts: layers, every face and edge of the model
// and its definitions, every face's mesh, the tree, SketchUp's editing context, and then the
// worker that sends it all. Progress goes to SketchUp's status bar.
#include <SketchUpAPI/model/entity.h>
#include <SketchUpAPI/model/layer.h>
#include <SketchUpAPI/model/model.h>

#include <string_view>
#include <thread>
#include <vector>

#include "appearance/sketchup_reads.h"
#include "rubybridge/ruby_symbols.h"
#include "rubybridge/ruby_values.h"
#include "rubybridge/status_bar.h"
#include "rubybridge/string_utilities.h"
#include "scene/su_scene.h"

namespace korvan {

using rb::id;
using rb::k;

namespace {

// The whole model sits this much higher (metres, renderer's up axis) in Korvan than in SketchUp.
constexpr float kModelRaise = 0.001f;

// ---- the status bar, reached from deep inside the tree build

// The state of a jump (an exception) that set_status_text made; 0 when none.
int statusBarJump = 0;

VALUE ShowStatusText(VALUE text) {
    rb::SetStatusText(*reinterpret_cast<const std::u16string_view*>(text));
    return Qnil;
}

// The scene's status display while loading. The dots are shown from inside the traversal, whose
// frames hold vectors that a longjmp would skip, so the Ruby call is protected here and its
// exception raised again by the load once it is back in a frame that owns nothing.
void ShowOnStatusBar(std::u16string_view text) {
    if (statusBarJump != 0) return;
    rb_protect(ShowStatusText, reinterpret_cast<VALUE>(&text), &statusBarJump);
}

void RaiseStatusBarError() {
    const int jump = statusBarJump;
    if (jump == 0) return;
    statusBarJump = 0;
    rb_jump_tag(jump);
}

// ---- steps of the load that need only the C API

bool IsNilOrEmpty(VALUE path) {
    return NIL_P(path) || (RB_TYPE_P(path, T_ARRAY) && RARRAY_LEN(path) == 0);
}

void ReadLayers(SUScene& scene) {
    const std::vector<SULayerRef> layers =
        ReadSketchUpList<SULayerRef>(scene.modelRef, SUModelGetNumLayers, SUModelGetLayers);
    if (layers.empty()) return;
    SULayerRef defaultLayer = SU_INVALID;
    SUModelGetDefaultLayer(scene.modelRef, &defaultLayer);
    scene.defaultLayerId = EntityIdOf(SULayerToEntity(defaultLayer));
    for (const SULayerRef layer : layers) AddLayer(scene.layers, *scene.materials, layer);
}

// Sized once, so that registering the faces does not rehash.
void ReserveForStatistics(SUScene& scene) {
    SUModelStatistics statistics{};
    SUModelGetStatistics(scene.modelRef, &statistics);
    const int* counts = statistics.entity_counts;
    const int faces = counts[SUModelStatistics::SUEntityType_Face];
    if (faces > 0) scene.faces.reserve(static_cast<size_t>(faces));
}

// Every registered face meshed once, with the percentage shown each time its integer part
// moves.
void BuildAllFaceMeshes(SUScene& scene) {
    const float total = static_cast<float>(scene.faces.size());
    int done = 0;
    int shown = 0;
    for (auto& [faceId, record] : scene.faces) {
        scene.BuildFaceMesh(record, record.face, record.faceId, record.ownerDefinitionId);
        ++done;
        const int percent = static_cast<int>(static_cast<float>(done) / total * 100.0f);
        if (percent == shown) continue;
        shown = percent;
        if (scene.statusDisplay != nullptr)
            scene.statusDisplay(FormatWide(u"loading geometries: %d%%", percent));
    }
}

}  // namespace

// Nothing with a destructor lives in this frame: the Ruby calls may raise.
void SUScene::LoadScene(VALUE newModel, SUModelRef newModelRef, bool backFaces) {
    ResetScene();
    model = newModel;
    modelRef = newModelRef;
    renderBackFaces = backFaces;
    statusDisplay = ShowOnStatusBar;
    // The load is one change: each face is meshed once, however many placements share it.
    openGeneration = ++lastGeneration;

    // The tree is read with every editing context closed; they are opened again at the end.
    long closedContexts = 0;
    while (!IsNilOrEmpty(rb_funcall(model, id.activePath, 0))) {
        if (!RTEST(rb_funcall(model, id.closeActive, 0))) break;
        ++closedContexts;
    }
    openDefinitionId = kNoId;

    statusDisplay(u"loading layers\u2026");
    RaiseStatusBarError();
    colourByLayer = ReadColourByLayer(modelRef);
    ReadLayers(*this);
    ReserveForStatistics(*this);

    statusDisplay(u"loading components\u2026");
    RaiseStatusBarError();
    RegisterEntities(rb_funcall(model, id.entities, 0), kNoId);
    const VALUE definitions = rb_funcall(model, id.definitions, 0);
    VALUE definitionList = NIL_P(definitions) ? Qnil : rb_funcall(definitions, id.toA, 0);
    if (!NIL_P(definitionList)) {
        rb_check_type(definitionList, T_ARRAY);
        for (long i = 0; i < RARRAY_LEN(definitionList); ++i) {
            const VALUE definition = RARRAY_AREF(definitionList, i);
            if (NIL_P(definition)) continue;
            const VALUE entities = rb_funcall(definition, id.entities, 0);
            const uint32_t definitionId =
                static_cast<uint32_t>(rb::ToInt(rb_funcall(definition, id.entityID, 0)));
            RegisterEntities(entities, definitionId);
        }
    }
    RB_GC_GUARD(definitionList);

    statusDisplay(u"loading geometries\u2026");
    RaiseStatusBarError();
    BuildAllFaceMeshes(*this);
    RaiseStatusBarError();

    SetStatus(u"loading hierarchy");
    RaiseStatusBarError();
    const SUEntityRef noEntity = SU_INVALID;
    root = CreateContainerNode(nullptr, noEntity, NodeType::Root, kNoId);
    Matrix4 raised = kIdentityMatrix;
    raised[13] = kModelRaise;
    root->SetWorldTransform(raised);
    SUEntitiesRef entities = SU_INVALID;
    SUModelGetEntities(modelRef, &entities);
    keepDefinitionReadings = true;
    BuildEntities(entities, root);
    keepDefinitionReadings = false;
    definitionReadings.clear();
    SetStatus(u"");
    RaiseStatusBarError();

    for (long i = 0; i < closedContexts; ++i) rb_funcall(k.mSketchup, id.undo, 0);
    UpdateEditContext();

    selectedPageId = kNoId;
    const VALUE pages = rb_funcall(model, id.pages, 0);
    if (!NIL_P(pages)) {
        const VALUE page = rb_funcall(pages, id.selectedPage, 0);
        if (!NIL_P(page))
            selectedPageId = static_cast<uint32_t>(rb::ToInt(rb_funcall(page, id.entityID, 0)));
    }

    openGeneration = 0;
    if (lockHeld.exchange(false)) sceneLock.Unlock();
    pending = false;
    running = true;
    worker = std::thread(&SUScene::WorkerLoop, this);
}

}  // namespace korvan
