#include "plugin/plugin_controller.h"

#include <SketchUpAPI/model/model.h>

#include <algorithm>
#include <chrono>

#include "liveconnection/wide_text.h"
#include "plugin/korvan_observer.h"
#include "plugin/link_descriptor.h"
#include "plugin/plugin_commands.h"
#include "rubybridge/ruby_entry.h"
#include "rubybridge/ruby_symbols.h"
#include "rubybridge/ruby_values.h"
#include "rubybridge/status_bar.h"
#include "rubybridge/string_utilities.h"
#include "plugin/web_links.h"
#include "renderer/renderer_check.h"

namespace korvan {

using rb::id;
using rb::k;

namespace {

PluginController* instance = nullptr;

// Two record slots per material, never fewer than 5000.
constexpr uint32_t kMinimumSlotCount = 5000;
constexpr double kHeartbeatSeconds = 0.25;

VALUE HeartbeatBlock(VALUE, VALUE data, int, const VALUE*, VALUE) {
    return rb::RubyEntry([&] {
        reinterpret_cast<PluginController*>(data)->Tick();
        return Qnil;
    });
}

// The model's collections that the observer watches besides the model itself, in the order in
// which it is attached to them.
struct ModelCollections {
    VALUE layers, activeView, pages, materials, definitions, renderingOptions, tools;
};

void ForEachCollection(const ModelCollections& c, ID method, VALUE observer) {
    for (VALUE collection : {c.layers, c.activeView, c.pages, c.materials, c.definitions,
                             c.renderingOptions, c.tools}) {
        if (!NIL_P(collection)) rb_funcall(collection, method, 1, observer);
    }
}

}  // namespace

PluginController* PluginController::Instance() {
    return instance;
}

void PluginController::SetInstance(PluginController* controller) {
    instance = controller;
}

PluginController::PluginController() {
    rb_gc_register_address(&model);

    observer = CreateKorvanObserver();
    if (!NIL_P(observer)) rb_gc_register_address(&observer);

    connection = std::make_unique<TwinLinkAPI::LiveConnection>();
    materials = std::make_unique<MaterialCatalogue>(connection.get());
    scene = std::make_unique<SUScene>(connection.get(), materials.get(), observer);
    dialogs = std::make_unique<PluginDialogs>(this);
    settings = std::make_unique<PluginSettings>();
    dialogs->settings = settings.get();

    KeepToolbar(BuildToolbarAndMenus());
}

bool PluginController::StartLink() {
    model = rb_funcall(k.mSketchup, id.activeModel, 0);
    if (NIL_P(model)) return false;

    VALUE path = rb_funcall(model, id.path, 0);
    if (rb::RubyToWide(path).empty()) {
        dialogs->ShowSaveFirst();
        return false;
    }

    settings->Load();
    if (!settings->SkipKorvanCheck()) {
        const RendererPrompts prompts{
            [this](const std::u16string& text, const std::u16string& caption, uint32_t flags) {
                return dialogs->ShowMessage(text, caption, flags);
            },
            [] { twinlink::platform::OpenWebLink(HomePageLink()); }};
        if (!CheckRenderer(prompts)) return false;
    }

    const auto started = std::chrono::steady_clock::now();
    rb::SetStatusText(u"Korvan TwinLink initializing");
    rb::SetValueBox(u"initializing", u"Korvan TwinLink:");

    VALUE modelMaterials = rb_funcall(model, id.materials, 0);
    const long materialCount =
        NIL_P(modelMaterials) ? 0 : rb::ToInt(rb_funcall(modelMaterials, id.size, 0));
    const uint32_t slotCount =
        static_cast<uint32_t>(std::max<long>(2 * materialCount, kMinimumSlotCount));

    const int32_t hosted = connection->Host(rb::RubyToWide(path), slotCount);
    if (hosted != 0) {
        rb::ClearValueBox();
        rb::SetStatusText();
        const std::u16string modelPath = rb::RubyToWide(path);
        dialogs->ShowFileAlreadyOpen(FileNameOf(modelPath));
        return false;
    }

    VALUE tools = rb_funcall(model, id.tools, 0);
    if (!NIL_P(tools)) {
        VALUE toolId = rb_funcall(tools, id.activeToolId, 0);
        if (!NIL_P(toolId)) activeToolId = static_cast<int32_t>(rb::ToInt(toolId));
    }

    const uint64_t document = rb_num2ull(rb_funcall(model, id.skpdoc, 1, Qtrue));
    const SUModelRef modelRef = SUModelFromExisting(static_cast<uintptr_t>(document));

    SendModelGuid(rb_funcall(model, id.guid, 0));

    rb::SetValueBox(u"loading materials");
    materials->LoadMaterials(model, modelRef, !settings->SingleSided(), settings->MemoryTextures());

    rb::SetValueBox(u"loading scene");
    scene->LoadScene(model, modelRef, !settings->SingleSided());
    scene->remeshNeighbours = activeToolId == kPushPullToolId;

    rb::SetStatusText();
    rb::ClearValueBox();

    // Entities collections are attached by the scene load.
    rb_funcall(model, id.addObserver, 1, observer);
    const ModelCollections collections{
        rb_funcall(model, id.layers, 0),      rb_funcall(model, id.activeView, 0),
        rb_funcall(model, id.pages, 0),       rb_funcall(model, id.materials, 0),
        rb_funcall(model, id.definitions, 0), rb_funcall(model, id.renderingOptions, 0),
        rb_funcall(model, id.tools, 0),
    };
    ForEachCollection(collections, id.addObserver, observer);

    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::steady_clock::now() - started)
                             .count() /
                         1000;
    SendLinkDescriptor(rb::RubyToWide(path), static_cast<int32_t>(elapsed));

    RequestSyncOrStop();

    cameraSync = settings->CameraAutoSync();
    PushCamera();

    pathCheckPending = observerDetached = false;
    StartHeartbeat();
    return true;
}

void PluginController::StopLink() {
    pathCheckPending = observerDetached = false;
    StopHeartbeat();

    // The host's active model, which may no longer be the one that was linked.
    VALUE active = rb_funcall(k.mSketchup, id.activeModel, 0);
    if (!NIL_P(active)) {
        ModelCollections collections{};
        collections.activeView = rb_funcall(active, id.activeView, 0);
        collections.layers = rb_funcall(active, id.layers, 0);
        collections.pages = rb_funcall(active, id.pages, 0);
        collections.materials = rb_funcall(active, id.materials, 0);
        collections.definitions = rb_funcall(active, id.definitions, 0);
        collections.renderingOptions = rb_funcall(active, id.renderingOptions, 0);
        collections.tools = rb_funcall(active, id.tools, 0);
        rb_funcall(active, id.removeObserver, 1, observer);
        ForEachCollection(collections, id.removeObserver, observer);
    }
    model = Qnil;
    redoRecords.clear();
    pendingRecord.reset();
    inTransaction = false;
    lastTransactionEvent = TransactionEvent::None;
    scene->ResetScene();
    materials->ClearCatalogue();
    connection->Stop();
}

void PluginController::Tick() {
    if (!connection->IsReady()) StopLink();

    if (pathCheckPending) {
        pathCheckPending = false;
        VALUE active = rb_funcall(k.mSketchup, id.activeModel, 0);
        if (NIL_P(active)) return;
        VALUE path = rb_funcall(active, id.path, 0);
        if (rb::RubyToWide(path) != connection->GetName()) StopLink();
        if (connection->IsOpen() && !NIL_P(model)) SendModelGuid(rb_funcall(model, id.guid, 0));
    }

    if (connection->IsReady() && observerDetached) {
        observerDetached = false;
        rb_funcall(model, id.addObserver, 1, observer);
    }
}

void PluginController::PushCamera() {
    if (!connection->IsOpen()) return;
    static_assert(sizeof(CameraRecord) == TwinLinkAPI::kCameraDataSize);
    CameraRecord record{};
    // Filling the record answers whether the camera can be followed: one reading per view change.
    const bool followable = scene->FillCameraRecord(&record);
    connection->SendView(cameraSync && followable, &record);
}

void PluginController::SetCameraSync(bool on) {
    cameraSync = on;
    PushCamera();
}

void PluginController::RequestSyncOrStop() {
    if (connection->IsReady()) {
        scene->EndSceneChange();
    } else {
        StopLink();
    }
}

void PluginController::SendLinkDescriptor(const std::u16string& modelPath,
                                          int32_t elapsedMicroseconds) {
    connection->SendDescriptor(
        BuildLinkDescriptor(modelPath, scene->CountVertices(), elapsedMicroseconds, cameraSync));
}

void PluginController::UpdateSelectedFaces() {
    if (NIL_P(model)) return;
    VALUE selection = rb_funcall(model, id.selection, 0);
    if (NIL_P(selection)) return;
    std::vector<VALUE>* elements = rb::ToValueVector(selection);
    if (!elements) return;

    scene->BeginSceneChange();
    for (VALUE element : *elements) {
        const VALUE klass = rb::ClassOf(element);
        if (klass == k.cGroup || klass == k.cComponentInstance || klass == k.cImage ||
            klass == k.cFace) {
            scene->EntityChanged(rb::OwnerEntities(element), element);
        }
    }
    delete elements;
    RequestSyncOrStop();
}

void PluginController::StartHeartbeat() {
    if (timerId > 0) rb_funcall(k.mUI, id.stopTimer, 1, rb::FromInt(timerId));
    const VALUE arguments[] = {DBL2NUM(kHeartbeatSeconds), Qtrue};
    const VALUE timer = rb::CallWithBlock(k.mUI, id.startTimer, 2, arguments, HeartbeatBlock,
                                          reinterpret_cast<VALUE>(this));
    timerId = static_cast<int32_t>(rb::ToInt(timer));
}

void PluginController::StopHeartbeat() {
    if (timerId > 0) rb_funcall(k.mUI, id.stopTimer, 1, rb::FromInt(timerId));
    timerId = -1;
}

void PluginController::SendModelGuid(VALUE guid) {
    if (NIL_P(guid)) return;
    connection->SetModelGuid(TwinLinkAPI::ToUpper(rb::RubyToWide(guid)));
}

}  // namespace korvan
