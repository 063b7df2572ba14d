// The plug-in's mirror of the linked SketchUp model: the tree of groups, component instances,
// images and face placements, the per-material geometry that Korvan reads, and the background
// worker that writes that geometry into shared memory while the user edits.
//
// The tree, the face extraction, the material batches, the scene load and the worker are built
// up here step by step. Until the load exists the mirror stays empty: a start links the model
// without geometry, and changes are closed without anything to send.
#pragma once

#include <SketchUpAPI/model/defs.h>
#include <ruby/ruby.h>

#include "camera/camera_record.h"

namespace TwinLinkAPI {
class LiveConnection;
}

namespace korvan {

class MaterialCatalogue;

class SUScene {
  public:
    // The scene writes through `connection`, asks `materials` for the records of the materials
    // it meets and attaches `observer` to every Entities collection it mirrors.
    SUScene(TwinLinkAPI::LiveConnection* connection, MaterialCatalogue* materials, VALUE observer);
    SUScene(const SUScene&) = delete;
    SUScene& operator=(const SUScene&) = delete;

    // Mirrors the whole model, extracts every face's mesh and starts the worker. Will report
    // the loading progress in the status bar. True when something was mirrored.
    bool LoadScene(VALUE model, SUModelRef modelRef, bool renderBackFaces);

    // Opens a change on the host's thread: takes the scene lock so that the worker does not
    // send a half-applied edit.
    void BeginSceneChange();
    // Closes the change in progress: re-meshes the faces whose neighbours moved, marks the
    // change pending for the worker and lets the scene lock go.
    void EndSceneChange();
    // Stops and joins the worker and empties the mirror.
    void ResetScene();

    // Whether the camera can be followed: the active view's camera is perspective and not 2D.
    bool CanFollowCamera() const;
    // Fills `record` from the active view's camera; true when that camera can be followed.
    bool FillCameraRecord(CameraRecord* record) const;

    // Set while the tool that pushes and pulls faces is active (tool id 21041): a changed face
    // then also re-meshes the faces around it.
    bool remeshNeighbours = false;

  private:
    TwinLinkAPI::LiveConnection* connection;
    MaterialCatalogue* materials;
    VALUE observer;
};

}  // namespace korvan
