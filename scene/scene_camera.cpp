#include "scene/su_scene.h"

namespace korvan {

// The camera is read from the model the scene holds once camera synchronisation is built;
// until then there is no camera to follow and nothing to fill.
bool SUScene::CanFollowCamera() const {
    return false;
}
bool SUScene::FillCameraRecord(CameraRecord* /*record*/) const {
    return false;
}

}  // namespace korvan
