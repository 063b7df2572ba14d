// Plain geometric value types. As in the SDK they are struct tags without typedefs, so C code
// must write `struct SUPoint3D`.
#pragma once

#include <SketchUpAPI/common.h>

#pragma pack(push, 8)

#ifdef __cplusplus
extern "C" {
#endif

struct SUPoint2D {
    double x;
    double y;
};

struct SUVector2D {
    double x;
    double y;
};

struct SUPoint3D {
    double x;
    double y;
    double z;
};

struct SUVector3D {
    double x;
    double y;
    double z;
};

// Plane a*x + b*y + c*z + d = 0 with (a, b, c) of unit length.
struct SUPlane3D {
    double a;
    double b;
    double c;
    double d;
};

// Axis-aligned box given by its lowest and highest corners.
struct SUBoundingBox3D {
    struct SUPoint3D min_point;
    struct SUPoint3D max_point;
};

// Axis-aligned 2D rectangle.
struct SUAxisAlignedRect2D {
    struct SUPoint2D upper_left;
    struct SUPoint2D lower_right;
};

struct SURay3D {
    struct SUPoint3D point;
    struct SUVector3D normal;
};

// 4x4 matrix in column-major order: values[12..14] hold the translation, values[15] is 1/scale.
struct SUTransformation {
    double values[16];
};

// 2x3 affine matrix, column-major: (m11 m12) is the first column, (tx ty) the translation.
struct SUTransformation2D {
    double m11;
    double m12;
    double m21;
    double m22;
    double tx;
    double ty;
};

#ifdef __cplusplus
}  // extern "C"
#endif

#pragma pack(pop)
