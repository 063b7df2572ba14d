// Geom::Point3d, Geom::Vector3d and Geom::Transformation. A point or vector object's data
// pointer leads to its three doubles, as in SketchUp, so native code can read them directly.
#include <cmath>

#include "ruby/bindings.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

double* Coords(VALUE v) { return static_cast<double*>(DATA_PTR(v)); }
double* Matrix(VALUE v) { return static_cast<double*>(DATA_PTR(v)); }

VALUE AllocTriple(VALUE klass) {
    auto* d = static_cast<double*>(ruby_xcalloc(3, sizeof(double)));
    return rb_data_object_wrap(klass, d, nullptr, RUBY_DEFAULT_FREE);
}

VALUE AllocMatrix(VALUE klass) {
    auto* d = static_cast<double*>(ruby_xcalloc(16, sizeof(double)));
    d[0] = d[5] = d[10] = d[15] = 1;
    return rb_data_object_wrap(klass, d, nullptr, RUBY_DEFAULT_FREE);
}

bool IsTriple(VALUE v) {
    return RB_TYPE_P(v, T_DATA) && (rb_obj_is_kind_of(v, k.cPoint3d) || rb_obj_is_kind_of(v, k.cVector3d));
}

VALUE TripleInit(int argc, VALUE* argv, VALUE self) {
    double* d = Coords(self);
    if (argc == 3) {
        for (int i = 0; i < 3; ++i) d[i] = NUM2DBL(argv[i]);
    } else if (argc == 2) {
        d[0] = NUM2DBL(argv[0]);
        d[1] = NUM2DBL(argv[1]);
        d[2] = 0;
    } else if (argc == 1) {
        Vec3 p = PointOf(argv[0]);
        d[0] = p.x;
        d[1] = p.y;
        d[2] = p.z;
    } else if (argc != 0) {
        rb_raise(rb_eArgError, "wrong number of arguments (given %d, expected 0..3)", argc);
    }
    return self;
}

Vec3 Get(VALUE v) { return {Coords(v)[0], Coords(v)[1], Coords(v)[2]}; }

VALUE GetX(VALUE self) { return DBL2NUM(Coords(self)[0]); }
VALUE GetY(VALUE self) { return DBL2NUM(Coords(self)[1]); }
VALUE GetZ(VALUE self) { return DBL2NUM(Coords(self)[2]); }
VALUE SetX(VALUE self, VALUE v) { Coords(self)[0] = NUM2DBL(v); return v; }
VALUE SetY(VALUE self, VALUE v) { Coords(self)[1] = NUM2DBL(v); return v; }
VALUE SetZ(VALUE self, VALUE v) { Coords(self)[2] = NUM2DBL(v); return v; }

VALUE Index(VALUE self, VALUE i) {
    long n = NUM2LONG(i);
    if (n < -3 || n > 2) rb_raise(rb_eIndexError, "index %ld out of range", n);
    return DBL2NUM(Coords(self)[(n + 3) % 3]);
}

VALUE SetIndex(VALUE self, VALUE i, VALUE v) {
    long n = NUM2LONG(i);
    if (n < -3 || n > 2) rb_raise(rb_eIndexError, "index %ld out of range", n);
    Coords(self)[(n + 3) % 3] = NUM2DBL(v);
    return v;
}

VALUE ToA(VALUE self) {
    return rb_ary_new_from_args(3, DBL2NUM(Coords(self)[0]), DBL2NUM(Coords(self)[1]), DBL2NUM(Coords(self)[2]));
}

VALUE Equal(VALUE self, VALUE other) {
    if (!IsTriple(other) && !RB_TYPE_P(other, T_ARRAY)) return Qfalse;
    return SamePoint(Get(self), PointOf(other)) ? Qtrue : Qfalse;
}

VALUE Inspect(VALUE self) {
    Vec3 p = Get(self);
    return rb_sprintf("%" PRIsVALUE "(%g, %g, %g)", rb_class_name(rb_obj_class(self)), p.x, p.y, p.z);
}

VALUE PointPlus(VALUE self, VALUE v) { return NewPoint(Get(self) + PointOf(v)); }
VALUE PointMinus(VALUE self, VALUE v) {
    if (rb_obj_is_kind_of(v, k.cVector3d)) return NewPoint(Get(self) - PointOf(v));
    return NewVector(Get(self) - PointOf(v));
}
VALUE PointDistance(VALUE self, VALUE v) { return DBL2NUM((Get(self) - PointOf(v)).Length()); }
VALUE PointTransform(VALUE self, VALUE t) { return NewPoint(TransformOf(t).ApplyPoint(Get(self))); }

VALUE VecPlus(VALUE self, VALUE v) { return NewVector(Get(self) + PointOf(v)); }
VALUE VecMinus(VALUE self, VALUE v) { return NewVector(Get(self) - PointOf(v)); }
VALUE VecLength(VALUE self) { return DBL2NUM(Get(self).Length()); }
VALUE VecNormalize(VALUE self) { return NewVector(Get(self).Normalized()); }
VALUE VecCross(VALUE self, VALUE v) { return NewVector(Get(self).Cross(PointOf(v))); }
VALUE VecDot(VALUE self, VALUE v) { return DBL2NUM(Get(self).Dot(PointOf(v))); }
VALUE VecReverse(VALUE self) { return NewVector(-Get(self)); }
VALUE VecTransform(VALUE self, VALUE t) { return NewVector(TransformOf(t).ApplyVector(Get(self))); }

// ---- Transformation

Transform GetT(VALUE v) {
    Transform t;
    for (int i = 0; i < 16; ++i) t.m[i] = Matrix(v)[i];
    return t;
}

VALUE TransInit(int argc, VALUE* argv, VALUE self) {
    if (argc == 1) {
        Transform t = TransformOf(argv[0]);
        for (int i = 0; i < 16; ++i) Matrix(self)[i] = t.m[i];
    } else if (argc != 0) {
        rb_raise(rb_eArgError, "wrong number of arguments (given %d, expected 0..1)", argc);
    }
    return self;
}

VALUE TransToA(VALUE self) {
    VALUE a = rb_ary_new_capa(16);
    for (int i = 0; i < 16; ++i) rb_ary_push(a, DBL2NUM(Matrix(self)[i]));
    return a;
}

VALUE TransMul(VALUE self, VALUE o) {
    if (rb_obj_is_kind_of(o, k.cTransformation)) return NewTransformation(GetT(self) * GetT(o));
    if (rb_obj_is_kind_of(o, k.cVector3d)) return NewVector(GetT(self).ApplyVector(PointOf(o)));
    return NewPoint(GetT(self).ApplyPoint(PointOf(o)));
}

VALUE TransInverse(VALUE self) { return NewTransformation(GetT(self).Inverse()); }
VALUE TransInverseBang(VALUE self) {
    Transform t = GetT(self).Inverse();
    for (int i = 0; i < 16; ++i) Matrix(self)[i] = t.m[i];
    return self;
}
VALUE TransIdentity(VALUE self) { return GetT(self) == Transform::Identity() ? Qtrue : Qfalse; }
VALUE TransOrigin(VALUE self) { return NewPoint(GetT(self).Origin()); }
VALUE TransXaxis(VALUE self) { Transform t = GetT(self); return NewVector({t.At(0, 0), t.At(1, 0), t.At(2, 0)}); }
VALUE TransYaxis(VALUE self) { Transform t = GetT(self); return NewVector({t.At(0, 1), t.At(1, 1), t.At(2, 1)}); }
VALUE TransZaxis(VALUE self) { Transform t = GetT(self); return NewVector({t.At(0, 2), t.At(1, 2), t.At(2, 2)}); }
VALUE TransEqual(VALUE self, VALUE o) {
    if (!rb_obj_is_kind_of(o, k.cTransformation)) return Qfalse;
    Transform a = GetT(self), b = GetT(o);
    for (int i = 0; i < 16; ++i)
        if (std::fabs(a.m[i] - b.m[i]) > 1e-9) return Qfalse;
    return Qtrue;
}

VALUE TransTranslation(VALUE, VALUE v) { return NewTransformation(Transform::Translation(PointOf(v))); }
VALUE TransRotation(VALUE, VALUE point, VALUE axis, VALUE angle) {
    return NewTransformation(Transform::Rotation(PointOf(point), PointOf(axis), NUM2DBL(angle)));
}
VALUE TransScaling(int argc, VALUE* argv, VALUE) {
    if (argc == 1) {
        double s = NUM2DBL(argv[0]);
        return NewTransformation(Transform::Scaling(s, s, s));
    }
    if (argc == 2) {  // about a point
        Vec3 p = PointOf(argv[0]);
        double s = NUM2DBL(argv[1]);
        return NewTransformation(Transform::Translation(p) * Transform::Scaling(s, s, s) * Transform::Translation(-p));
    }
    if (argc == 3) return NewTransformation(Transform::Scaling(NUM2DBL(argv[0]), NUM2DBL(argv[1]), NUM2DBL(argv[2])));
    rb_raise(rb_eArgError, "wrong number of arguments (given %d, expected 1..3)", argc);
    return Qnil;
}
VALUE TransAxes(VALUE, VALUE origin, VALUE x, VALUE y, VALUE z) {
    return NewTransformation(Transform::Axes(PointOf(origin), PointOf(x), PointOf(y), PointOf(z)));
}

}  // namespace

Vec3 PointOf(VALUE v) {
    if (IsTriple(v)) return Get(v);
    if (RB_TYPE_P(v, T_ARRAY) && (RARRAY_LEN(v) == 3 || RARRAY_LEN(v) == 2)) {
        double z = RARRAY_LEN(v) == 3 ? NUM2DBL(rb_ary_entry(v, 2)) : 0.0;
        return {NUM2DBL(rb_ary_entry(v, 0)), NUM2DBL(rb_ary_entry(v, 1)), z};
    }
    rb_raise(rb_eTypeError, "expected a Geom::Point3d, Geom::Vector3d or an array of 3 numbers");
    return {};
}

VALUE NewPoint(const Vec3& p) {
    VALUE v = AllocTriple(k.cPoint3d);
    Coords(v)[0] = p.x;
    Coords(v)[1] = p.y;
    Coords(v)[2] = p.z;
    return v;
}

VALUE NewVector(const Vec3& p) {
    VALUE v = AllocTriple(k.cVector3d);
    Coords(v)[0] = p.x;
    Coords(v)[1] = p.y;
    Coords(v)[2] = p.z;
    return v;
}

Transform TransformOf(VALUE v) {
    if (RB_TYPE_P(v, T_DATA) && rb_obj_is_kind_of(v, k.cTransformation)) return GetT(v);
    if (RB_TYPE_P(v, T_ARRAY) && RARRAY_LEN(v) == 16) {
        Transform t;
        for (int i = 0; i < 16; ++i) t.m[i] = NUM2DBL(rb_ary_entry(v, i));
        return t;
    }
    if (IsTriple(v) || RB_TYPE_P(v, T_ARRAY)) return Transform::Translation(PointOf(v));
    rb_raise(rb_eTypeError, "expected a Geom::Transformation, 16 numbers or a point");
    return {};
}

VALUE NewTransformation(const Transform& t) {
    VALUE v = AllocMatrix(k.cTransformation);
    for (int i = 0; i < 16; ++i) Matrix(v)[i] = t.m[i];
    return v;
}

void DefineGeom() {
    for (VALUE c : {k.cPoint3d, k.cVector3d}) {
        rb_define_alloc_func(c, AllocTriple);
        rb_define_method(c, "initialize", TripleInit, -1);
        rb_define_method(c, "x", GetX, 0);
        rb_define_method(c, "y", GetY, 0);
        rb_define_method(c, "z", GetZ, 0);
        rb_define_method(c, "x=", SetX, 1);
        rb_define_method(c, "y=", SetY, 1);
        rb_define_method(c, "z=", SetZ, 1);
        rb_define_method(c, "[]", Index, 1);
        rb_define_method(c, "[]=", SetIndex, 2);
        rb_define_method(c, "to_a", ToA, 0);
        rb_define_method(c, "==", Equal, 1);
        rb_define_method(c, "inspect", Inspect, 0);
        rb_define_method(c, "to_s", Inspect, 0);
    }
    rb_define_method(k.cPoint3d, "+", PointPlus, 1);
    rb_define_method(k.cPoint3d, "-", PointMinus, 1);
    rb_define_method(k.cPoint3d, "distance", PointDistance, 1);
    rb_define_method(k.cPoint3d, "transform", PointTransform, 1);
    rb_define_method(k.cVector3d, "+", VecPlus, 1);
    rb_define_method(k.cVector3d, "-", VecMinus, 1);
    rb_define_method(k.cVector3d, "length", VecLength, 0);
    rb_define_method(k.cVector3d, "normalize", VecNormalize, 0);
    rb_define_method(k.cVector3d, "cross", VecCross, 1);
    rb_define_method(k.cVector3d, "*", VecCross, 1);
    rb_define_method(k.cVector3d, "dot", VecDot, 1);
    rb_define_method(k.cVector3d, "%", VecDot, 1);
    rb_define_method(k.cVector3d, "reverse", VecReverse, 0);
    rb_define_method(k.cVector3d, "transform", VecTransform, 1);

    VALUE T = k.cTransformation;
    rb_define_alloc_func(T, AllocMatrix);
    rb_define_method(T, "initialize", TransInit, -1);
    rb_define_method(T, "to_a", TransToA, 0);
    rb_define_method(T, "*", TransMul, 1);
    rb_define_method(T, "inverse", TransInverse, 0);
    rb_define_method(T, "inverse!", TransInverseBang, 0);
    rb_define_method(T, "identity?", TransIdentity, 0);
    rb_define_method(T, "origin", TransOrigin, 0);
    rb_define_method(T, "xaxis", TransXaxis, 0);
    rb_define_method(T, "yaxis", TransYaxis, 0);
    rb_define_method(T, "zaxis", TransZaxis, 0);
    rb_define_method(T, "==", TransEqual, 1);
    rb_define_singleton_method(T, "translation", TransTranslation, 1);
    rb_define_singleton_method(T, "rotation", TransRotation, 3);
    rb_define_singleton_method(T, "scaling", TransScaling, -1);
    rb_define_singleton_method(T, "axes", TransAxes, 4);
    VALUE identity = NewTransformation(Transform::Identity());
    rb_obj_freeze(identity);
    rb_define_const(T, "IDENTITY", identity);
}

}  // namespace hostsim::ruby
