// SUImageRepRef: a caller-owned pixel buffer.
#pragma once

#include <SketchUpAPI/color.h>
#include <SketchUpAPI/model/defs.h>

#ifdef __cplusplus
extern "C" {
#endif

// Byte position of each channel within a 32-bit pixel (BGRA on Windows, RGBA on macOS).
struct SUColorOrder {
    short red_index;
    short green_index;
    short blue_index;
    short alpha_index;
};

SU_EXPORT struct SUColorOrder SUGetColorOrder(void);

// Creates an empty image; release it with SUImageRepRelease.
SU_RESULT SUImageRepCreate(SUImageRepRef* image);

SU_RESULT SUImageRepRelease(SUImageRepRef* image);

// Size of the buffer SUImageRepGetData needs, and the pixel depth (8, 24 or 32).
SU_RESULT SUImageRepGetDataSize(SUImageRepRef image, size_t* data_size, size_t* bits_per_pixel);

// Copies the pixels, each row followed by its padding, into a buffer of data_size bytes.
SU_RESULT SUImageRepGetData(SUImageRepRef image, size_t data_size, SUByte pixel_data[]);

SU_RESULT SUImageRepGetPixelDimensions(SUImageRepRef image, size_t* width, size_t* height);

// Bytes appended to each row.
SU_RESULT SUImageRepGetRowPadding(SUImageRepRef image, size_t* row_padding);

#ifdef __cplusplus
}  // extern "C"
#endif
