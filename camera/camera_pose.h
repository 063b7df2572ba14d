// SketchUp's camera as the host reports it, and the record Korvan reads made from it.
#pragma once

#include "camera/camera_record.h"

namespace korvan {

// What the active view's camera answers, in SketchUp's axes and inches.
struct HostCamera {
    double eye[3] = {0, 0, 0};
    double target[3] = {0, 0, 0};
    double up[3] = {0, 0, 1};
    double fieldOfView = 0;  // degrees; read only for a perspective camera
    bool perspective = false;
    bool flat = false;  // a 2D camera
};

// Korvan moves its own camera only to a perspective view that is not 2D.
inline bool CanFollow(const HostCamera& camera) {
    return camera.perspective && !camera.flat;
}

// Fills a zeroed record: axes exchanged into the renderer's (y up), positions scaled to metres.
// A camera that cannot be followed gets the identity matrix. Returns CanFollow(camera).
bool FillCameraRecord(const HostCamera& camera, float unitScale, CameraRecord& record);

}  // namespace korvan
