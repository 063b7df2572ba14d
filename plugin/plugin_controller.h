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
    // The routing of a changed element (re-extracting it and, outside a transaction, recording
    // it for redo). Arrives with the routing of the model's events; until then it does nothing.
    void ElementModified(VALUE entities, VALUE entity);

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
    std::unique_ptr<ChangeRecord> pendingRecord;
    // Newest first.
    std::list<std::unique_ptr<ChangeRecord>> redoRecords;

  private:
    void StartHeartbeat();
    void StopHeartbeat();
    // Sends the model's guid, upper-cased, into the link's header.
    void SendModelGuid(VALUE guid);
};

}  // namespace korvan
