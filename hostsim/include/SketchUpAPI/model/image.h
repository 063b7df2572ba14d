// SUImageRef: a picture placed in the model as a textured rectangle.
#pragma once

#include <SketchUpAPI/color.h>
#include <SketchUpAPI/common.h>
#include <SketchUpAPI/model/defs.h>
#include <SketchUpAPI/transformation.h>
#include <SketchUpAPI/unicodestring.h>

#ifdef __cplusplus
extern "C" {
#endif

// Casts return an invalid reference when the object is not of the target kind.
SU_EXPORT SUEntityRef SUImageToEntity(SUImageRef image);
SU_EXPORT SUImageRef SUImageFromEntity(SUEntityRef entity);
SU_EXPORT SUDrawingElementRef SUImageToDrawingElement(SUImageRef image);
SU_EXPORT SUImageRef SUImageFromDrawingElement(SUDrawingElementRef drawing_elem);

// Deprecated by the SDK in favour of the definition's name.
SU_DEPRECATED_FUNCTION("SketchUp API 9.1")
SU_RESULT SUImageGetName(SUImageRef image, SUStringRef* name);

SU_RESULT SUImageGetTransform(SUImageRef image, struct SUTransformation* transform);

// Size in model units (inches) before the transform.
SU_RESULT SUImageGetDimensions(SUImageRef image, double* width, double* height);

// Deprecated by the SDK in favour of SUImageGetImageRep + SUImageRepGetPixelDimensions.
SU_DEPRECATED_FUNCTION("SketchUp API 5.0")
SU_RESULT SUImageGetPixelDimensions(SUImageRef image, size_t* width, size_t* height);

// *image_rep must come from SUImageRepCreate; the caller releases it.
SU_RESULT SUImageGetImageRep(SUImageRef image, SUImageRepRef* image_rep);

// The image's hidden definition (SUComponentType_Image).
SU_RESULT SUImageGetDefinition(SUImageRef image, SUComponentDefinitionRef* component);

#ifdef __cplusplus
}  // extern "C"
#endif
