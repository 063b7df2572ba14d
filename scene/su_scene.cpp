#include "scene/su_scene.h"

namespace korvan {

SUScene::SUScene(TwinLinkAPI::LiveConnection* connection, MaterialCatalogue* materials,
                 VALUE observer)
    : connection(connection), materials(materials), observer(observer) {
    dirtyFaces.max_load_factor(4.0f);
    dirtyMaterials.max_load_factor(4.0f);
}

// The plug-in keeps its scene for the life of the process; tests do not, and must not leave a
// worker running.
SUScene::~SUScene() {
    ResetScene();
}

}  // namespace korvan
