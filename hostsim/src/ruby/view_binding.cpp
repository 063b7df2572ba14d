// Sketchup::View and Sketchup::Camera. A camera that scripts create is a plain value; the
// cameras of the view and of pages stand for the live camera they came from.
#include <cmath>

#include "ruby/appearance_and_view.h"
#include "ruby/camera.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

// The view's size in pixels; there is no window, so it is fixed.
constexpr int kViewportWidth = 1280, kViewportHeight = 720;
// SketchUp's field of view for a camera made with eye, target and up only.
constexpr double kNewCameraFov = 30.0;

struct CameraData {
    Camera value;          // a free camera's own values
    Model* model;          // the view camera of this model, or
    Page* page;            // the camera stored in this page
};

CameraData* Data(VALUE self) { return static_cast<CameraData*>(DATA_PTR(self)); }

VALUE Alloc(VALUE klass) {
    auto* d = static_cast<CameraData*>(ruby_xmalloc(sizeof(CameraData)));
    *d = CameraData{Camera{}, nullptr, nullptr};
    return rb_data_object_wrap(klass, d, nullptr, RUBY_DEFAULT_FREE);
}

VALUE NewBound(Model* model, Page* page) {
    VALUE v = Alloc(k.cCamera);
    Data(v)->model = model;
    Data(v)->page = page;
    return v;
}

Camera Current(const CameraData& d) {
    if (d.model) return d.model->camera;
    if (d.page) return d.page->camera;
    return d.value;
}

void Store(CameraData& d, const Camera& c) {
    if (d.model) d.model->SetCamera(c);
    else if (d.page) d.page->model->SetPageCamera(d.page, c);
    else d.value = c;
}

// SketchUp keeps the up vector square to the line of sight; an up along that line is kept.
Camera Oriented(Camera c, const Vec3& eye, const Vec3& target, const Vec3& up) {
    c.eye = eye;
    c.target = target;
    Vec3 sight = (target - eye).Normalized();
    Vec3 square = up - sight * up.Dot(sight);
    c.up = square.Length() > 1e-9 ? square.Normalized() : up.Normalized();
    return c;
}

// ---- Camera

VALUE CameraInitialize(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 0, 5);
    if (argc == 0) return self;
    if (argc < 3) rb_raise(rb_eArgError, "a camera takes eye, target and up (given %d arguments)", argc);
    Vec3 eye = PointOf(argv[0]), target = PointOf(argv[1]), up = PointOf(argv[2]);
    Camera c;
    c.fov = argc > 4 ? NUM2DBL(argv[4]) : kNewCameraFov;
    c.perspective = argc > 3 ? RTEST(argv[3]) : true;
    Data(self)->value = Oriented(c, eye, target, up);
    return self;
}

// A copy is a free camera with the current values.
VALUE CameraInitializeCopy(VALUE self, VALUE other) {
    Camera c = CameraOf(other);
    *Data(self) = CameraData{c, nullptr, nullptr};
    return self;
}

VALUE CameraEye(VALUE self) { return NewPoint(Current(*Data(self)).eye); }
VALUE CameraTarget(VALUE self) { return NewPoint(Current(*Data(self)).target); }
VALUE CameraUp(VALUE self) { return NewVector(Current(*Data(self)).up); }
VALUE CameraFov(VALUE self) { return DBL2NUM(Current(*Data(self)).fov); }
VALUE CameraPerspective(VALUE self) { return Current(*Data(self)).perspective ? Qtrue : Qfalse; }
VALUE CameraIs2d(VALUE self) { return Current(*Data(self)).is2d ? Qtrue : Qfalse; }

VALUE CameraDirection(VALUE self) {
    Camera c = Current(*Data(self));
    return NewVector((c.target - c.eye).Normalized());
}

VALUE CameraSet(VALUE self, VALUE eye, VALUE target, VALUE up) {
    Vec3 e = PointOf(eye), t = PointOf(target), u = PointOf(up);
    Store(*Data(self), Oriented(Current(*Data(self)), e, t, u));
    return self;
}

VALUE CameraSetFov(VALUE self, VALUE fov) {
    Camera c = Current(*Data(self));
    c.fov = NUM2DBL(fov);
    Store(*Data(self), c);
    return fov;
}

VALUE CameraSetPerspective(VALUE self, VALUE perspective) {
    Camera c = Current(*Data(self));
    c.perspective = RTEST(perspective);
    Store(*Data(self), c);
    return perspective;
}

VALUE CameraSet2d(VALUE self, VALUE is2d) {
    Camera c = Current(*Data(self));
    c.is2d = RTEST(is2d);
    Store(*Data(self), c);
    return is2d;
}

// ---- View

VALUE ViewCameraOf(VALUE self) { return ViewCamera(ModelOfCollection(self)); }

// The transition time SketchUp takes as a second argument plays no part here.
VALUE ViewSetCamera(int argc, VALUE* argv, VALUE self) {
    rb_check_arity(argc, 1, 2);
    Model* model = ModelOfCollection(self);
    Camera c = CameraOf(argv[0]);
    model->SetCamera(c);
    return argv[0];
}

VALUE ViewWidth(VALUE) { return INT2NUM(kViewportWidth); }
VALUE ViewHeight(VALUE) { return INT2NUM(kViewportHeight); }

// Nothing is drawn on a screen, so there is nothing to redraw.
VALUE ViewInvalidate(VALUE self) { return self; }

}  // namespace

VALUE ViewCamera(Model* m) { return NewBound(m, nullptr); }

VALUE PageCamera(Page* p) { return NewBound(nullptr, p); }

Camera CameraOf(VALUE camera) {
    if (!RB_TYPE_P(camera, T_DATA) || !rb_obj_is_kind_of(camera, k.cCamera))
        rb_raise(rb_eTypeError, "expected a Sketchup::Camera, got %" PRIsVALUE, rb_obj_class(camera));
    return Current(*Data(camera));
}

void DefineView() {
    VALUE C = k.cCamera;
    rb_define_alloc_func(C, Alloc);
    rb_define_method(C, "initialize", CameraInitialize, -1);
    rb_define_method(C, "initialize_copy", CameraInitializeCopy, 1);
    rb_define_method(C, "eye", CameraEye, 0);
    rb_define_method(C, "target", CameraTarget, 0);
    rb_define_method(C, "up", CameraUp, 0);
    rb_define_method(C, "direction", CameraDirection, 0);
    rb_define_method(C, "fov", CameraFov, 0);
    rb_define_method(C, "fov=", CameraSetFov, 1);
    rb_define_method(C, "perspective?", CameraPerspective, 0);
    rb_define_method(C, "perspective=", CameraSetPerspective, 1);
    rb_define_method(C, "is_2d?", CameraIs2d, 0);
    rb_define_method(C, "is_2d=", CameraSet2d, 1);
    rb_define_method(C, "set", CameraSet, 3);

    VALUE V = k.cView;
    rb_define_method(V, "camera", ViewCameraOf, 0);
    rb_define_method(V, "camera=", ViewSetCamera, -1);
    rb_define_method(V, "model", CollectionModel, 0);
    rb_define_method(V, "vpwidth", ViewWidth, 0);
    rb_define_method(V, "vpheight", ViewHeight, 0);
    rb_define_method(V, "invalidate", ViewInvalidate, 0);
    rb_define_method(V, "refresh", ViewInvalidate, 0);
}

}  // namespace hostsim::ruby
