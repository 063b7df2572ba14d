// Sketchup::Camera objects that stand for a live camera: reading them reads the camera they
// belong to, and changing them changes it through the model, as SketchUp's do.
#pragma once

#include <ruby.h>

#include "model/model.h"

namespace hostsim::ruby {

VALUE ViewCamera(Model* m);  // the model's view camera
VALUE PageCamera(Page* p);   // the camera a scene page stores
// The camera's current values, whoever it belongs to. Raises TypeError for a non-camera.
Camera CameraOf(VALUE camera);

}  // namespace hostsim::ruby
