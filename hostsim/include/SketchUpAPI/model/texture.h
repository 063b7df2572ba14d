// SUTextureRef: the image of a textured material and its size in the model.
#pragma once

#include <SketchUpAPI/color.h>
#include <SketchUpAPI/model/defs.h>
#include <SketchUpAPI/unicodestring.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

SU_EXPORT SUEntityRef SUTextureToEntity(SUTextureRef texture);
SU_EXPORT SUTextureRef SUTextureFromEntity(SUEntityRef entity);

// Pixel size, and the scale factors of the s and t coordinates.
SU_RESULT SUTextureGetDimensions(SUTextureRef texture, size_t* width, size_t* height,
                                 double* s_scale, double* t_scale);

// Deprecated by the SDK in favour of SUTextureGetImageRep + SUImageRepGetDataSize.
SU_DEPRECATED_FUNCTION("SketchUp API 5.0")
SU_RESULT SUTextureGetImageDataSize(SUTextureRef texture, size_t* data_size,
                                    size_t* bits_per_pixel);

// Deprecated by the SDK in favour of SUTextureGetImageRep + SUImageRepGetData.
SU_DEPRECATED_FUNCTION("SketchUp API 5.0")
SU_RESULT SUTextureGetImageData(SUTextureRef texture, size_t data_size, SUByte pixel_data[]);

// Writes the (colorized, if the material is) image; the format follows the file extension.
SU_RESULT SUTextureWriteToFile(SUTextureRef texture, const char* file_path);

// File name without directories.
SU_RESULT SUTextureGetFileName(SUTextureRef texture, SUStringRef* file_name);

// *image must come from SUImageRepCreate; the caller releases it.
SU_RESULT SUTextureGetImageRep(SUTextureRef texture, SUImageRepRef* image);

SU_RESULT SUTextureGetUseAlphaChannel(SUTextureRef texture, bool* alpha_channel_used);

#ifdef __cplusplus
}  // extern "C"
#endif
