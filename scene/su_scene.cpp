#include "scene/su_scene.h"

namespace korvan {

SUScene::SUScene(TwinLinkAPI::LiveConnection* connection, MaterialCatalogue* materials,
                 VALUE observer)
    : connection(connection), materials(materials), observer(observer) {}

// Nothing is mirrored yet: the model's entities are walked once the tree and the face
// extraction are in place.
bool SUScene::LoadScene(VALUE /*model*/, SUModelRef /*modelRef*/, bool /*renderBackFaces*/) {
    return false;
}

// The scene lock and the worker that it guards come with the synchronisation worker.
void SUScene::BeginSceneChange() {}
void SUScene::EndSceneChange() {}
void SUScene::ResetScene() {
    remeshNeighbours = false;
}

// The camera is read from the model the scene holds once the scene load keeps it; until then
// there is no camera to follow and nothing to fill.
bool SUScene::CanFollowCamera() const {
    return false;
}
bool SUScene::FillCameraRecord(CameraRecord* /*record*/) const {
    return false;
}

}  // namespace korvan
