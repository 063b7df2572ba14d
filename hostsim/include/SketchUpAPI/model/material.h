// SUMaterialRef: a colour and/or texture painted on faces and other drawing elements.
#pragma once

#include <SketchUpAPI/color.h>
#include <SketchUpAPI/common.h>
#include <SketchUpAPI/model/defs.h>
#include <SketchUpAPI/unicodestring.h>

#ifdef __cplusplus
extern "C" {
#endif

enum SUMaterialType {
    SUMaterialType_Colored = 0,
    SUMaterialType_Textured,
    SUMaterialType_ColorizedTexture,
};

// How a colorized texture is tinted.
enum SUMaterialColorizeType {
    SUMaterialColorizeType_Shift = 0,  // Shifts the hue.
    SUMaterialColorizeType_Tint,
};

// Casts return an invalid reference when the object is not of the target kind.
SU_EXPORT SUEntityRef SUMaterialToEntity(SUMaterialRef material);
SU_EXPORT SUMaterialRef SUMaterialFromEntity(SUEntityRef entity);

// The stored name, which may be wrapped in square brackets.
SU_RESULT SUMaterialGetName(SUMaterialRef material, SUStringRef* name);

// The name with surrounding brackets removed, as the API returned it before SketchUp 2017.
SU_RESULT SUMaterialGetNameLegacyBehavior(SUMaterialRef material, SUStringRef* name);

// SU_ERROR_NO_DATA when the material has no colour.
SU_RESULT SUMaterialGetColor(SUMaterialRef material, SUColor* color);

// SU_ERROR_NO_DATA when the material has no texture. The material owns the texture.
SU_RESULT SUMaterialGetTexture(SUMaterialRef material, SUTextureRef* texture);

// Opacity from 0.0 (clear) to 1.0 (opaque).
SU_RESULT SUMaterialGetOpacity(SUMaterialRef material, double* alpha);

SU_RESULT SUMaterialGetUseOpacity(SUMaterialRef material, bool* use_opacity);

SU_RESULT SUMaterialGetType(SUMaterialRef material, enum SUMaterialType* type);

SU_RESULT SUMaterialGetColorizeType(SUMaterialRef material, enum SUMaterialColorizeType* type);

#ifdef __cplusplus
}  // extern "C"
#endif
