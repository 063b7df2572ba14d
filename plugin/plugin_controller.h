// The spine of the plug-in: the one controller that owns the link to Korvan, the scene mirror,
// the material catalogue, the dialogs and the settings, and runs the start, stop and heartbeat
// of the TwinLink. It is created by Init_KorvanPlugin, lives until the host process ends, and
// every host callback (commands, observer methods, timers) reaches it through Instance().
// Everything here runs on the host's main thread.
#pragma once

#include <ruby/ruby.h>

#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "appearance/material_catalogue.h"
#include "liveconnection/live_connection.h"
#include "plugin/change_record.h"
#include "plugin/plugin_dialogs.h"
#include "plugin/plugin_settings.h"
#include "scene/su_scene.h"

namespace korvan {

// The tool that pushes and pulls faces; while it is active a changed face re-meshes its
// neighbours too.
inline constexpr int32_t kPushPullToolId = 21041;

class PluginController {
  public:
    // Creates the observer (attached to the application), the connection, the catalogue, the
    // scene, the dialogs and the settings, in that order, then the toolbar and menus.
    PluginController();
    PluginController(const PluginController&) = delete;
    PluginController& operator=(const PluginController&) = delete;

    // The controller of this process; null until Init_KorvanPlugin has constructed it.
    static PluginController* Instance();
    static void SetInstance(PluginController* controller);

    // Starts the TwinLink for the active model; true when the link runs afterwards.
    bool StartLink();
    // Detaches and closes everything; safe when nothing runs.
    void StopLink();
    // The heartbeat, every 0.25 s while the link runs: stops the link when Korvan has ended it
    // or the model was saved under another path, and re-attaches a detached model observer.
    void Tick();
    // Writes the current camera into the link; Korvan follows it when camera sync is on and
    // the camera can be followed.
    void PushCamera();
    void SetCameraSync(bool on);
    // Hands the change in progress to the scene's worker, or stops a link that is no longer
    // ready.
    void RequestSyncOrStop();
    // Tells Korvan what is linked: host, plug-in, model file, load time, camera state.
    void SendLinkDescriptor(const std::u16string& modelPath, int32_t elapsedMicroseconds);
    // Sends the selected faces, groups, components and images again ("TwinLink: Update Face").
    void UpdateSelectedFaces();

    // ---- change_routing.cpp: the model's events, in either of SketchUp's two orders
    void OnElementAdded(VALUE entities, VALUE entity);
    void OnElementModified(VALUE entities, VALUE entity);
    void OnElementRemoved(VALUE entities, uint32_t entityId);
    void OnComponentAdded(VALUE definition);
    void OnMaterialAdded(VALUE material);
    void OnMaterialChanged(VALUE material);
    void OnMaterialRemoved();
    void OnLayerAdded(VALUE layer);
    void OnLayerChanged(VALUE layer);
    void OnLayerRemoved(VALUE layers);
    void OnTransactionStart();
    // Commit, abort and empty alike.
    void OnTransactionEnd();
    void OnTransactionUndo();
    void OnTransactionRedo();
    void OnPagesChanged(VALUE pages);
    void OnColourByLayerSwitched();
    void OnActiveToolChanged(int32_t toolId);
    // Closes a change that events outside an operation opened; the zero-second timer calls it
    // once SketchUp is idle again.
    void CloseChangeWhenIdle();

    // Starts a change record when events arrive outside an operation and none is open.
    void EnsureChangeRecord();
    void DiscardChangeRecord();
    // The parent id of a change key for an entity in `entities`, and back.
    uint32_t ResolveParentId(VALUE entities);
    VALUE ResolveEntities(uint32_t parentId);
    // Applies a record again: with `redo`, what the undo removed comes back and what it added
    // goes away.
    void ReplayRecord(const ChangeRecord& record, bool redo);

    std::unique_ptr<TwinLinkAPI::LiveConnection> connection;
    std::unique_ptr<SUScene> scene;
    std::unique_ptr<MaterialCatalogue> materials;
    std::unique_ptr<PluginDialogs> dialogs;
    std::unique_ptr<PluginSettings> settings;
    // The heartbeat's UI timer; a value <= 0 means no timer runs.
    int32_t timerId = -1;
    // The model was saved: the next heartbeat compares its path with the link's.
    bool pathCheckPending = false;
    // A redo replay took the observer off the model; the heartbeat puts it back.
    bool observerDetached = false;
    bool cameraSync = true;
    // The single KorvanObserver.
    VALUE observer = Qnil;
    // The Sketchup::Model being mirrored; nil when no link runs.
    VALUE model = Qnil;
    int32_t activeToolId = -1;
    bool inTransaction = false;
    // The order SketchUp delivers events in, learnt from the events (see change_routing.cpp).
    enum class EventOrder { Unknown, InsideBracket, AfterCommit } eventOrder = EventOrder::Unknown;
    enum class TransactionEvent { None, Start, Commit, Undo, Redo };
    TransactionEvent lastTransactionEvent = TransactionEvent::None;
    bool closeTimerArmed = false;
    std::unique_ptr<ChangeRecord> pendingRecord;
    // Newest first.
    std::list<std::unique_ptr<ChangeRecord>> redoRecords;

  private:
    void LearnOrderFromElementEvent();
    void OpenPendingRecord();
    void CloseOutsideChange();
    void RecordKey(std::set<ChangeKey> ChangeRecord::*set, ChangeKey key);
    void StartHeartbeat();
    void StopHeartbeat();
    // Sends the model's guid, upper-cased, into the link's header.
    void SendModelGuid(VALUE guid);
};

}  // namespace korvan
