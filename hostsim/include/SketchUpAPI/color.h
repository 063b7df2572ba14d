// 8-bit RGBA colour.
#pragma once

#include <SketchUpAPI/unicodestring.h>

#pragma pack(push, 8)

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned char SUByte;

// Unlike the geometry types this one is a typedef of an unnamed struct, as in the SDK.
typedef struct {
    SUByte red;
    SUByte green;
    SUByte blue;
    SUByte alpha;
} SUColor;

#ifdef __cplusplus
}  // extern "C"
#endif

#pragma pack(pop)
