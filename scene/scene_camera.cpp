#include "camera/camera_pose.h"
#include "rubybridge/ruby_symbols.h"
#include "scene/su_scene.h"

namespace korvan {

namespace {

using rb::id;

// A Geom::Point3d or Vector3d is a data object over three doubles; anything else reads as zero
// rather than as whatever its pointer leads to.
void ReadTriple(VALUE value, double out[3]) {
    if (!RB_TYPE_P(value, T_DATA) || !DATA_PTR(value)) {
        out[0] = out[1] = out[2] = 0;
        return;
    }
    const auto* coordinates = static_cast<const double*>(DATA_PTR(value));
    for (int i = 0; i < 3; ++i) out[i] = coordinates[i];
}

// The active view's camera, or nil when there is no model or no view.
VALUE ActiveCamera(VALUE model) {
    if (NIL_P(model)) return Qnil;
    const VALUE view = rb_funcall(model, id.activeView, 0);
    return NIL_P(view) ? Qnil : rb_funcall(view, id.camera, 0);
}

bool IsPerspective(VALUE camera) { return RTEST(rb_funcall(camera, id.isPerspective, 0)); }
bool IsFlat(VALUE camera) { return RTEST(rb_funcall(camera, id.is2d, 0)); }

}  // namespace

bool SUScene::CanFollowCamera() const {
    const VALUE camera = ActiveCamera(model);
    return !NIL_P(camera) && IsPerspective(camera) && !IsFlat(camera);
}

bool SUScene::FillCameraRecord(CameraRecord* record) const {
    if (!record) return false;
    const VALUE camera = ActiveCamera(model);
    if (NIL_P(camera)) return false;
    HostCamera host;
    host.perspective = IsPerspective(camera);
    host.flat = IsFlat(camera);
    ReadTriple(rb_funcall(camera, id.eye, 0), host.eye);
    ReadTriple(rb_funcall(camera, id.target, 0), host.target);
    ReadTriple(rb_funcall(camera, id.up, 0), host.up);
    if (host.perspective) host.fieldOfView = NUM2DBL(rb_funcall(camera, id.fov, 0));
    return korvan::FillCameraRecord(host, unitScale, *record);
}

}  // namespace korvan
