// Reference types that do not belong to the model.
#pragma once

#include <SketchUpAPI/common.h>

#pragma pack(push, 8)

DEFINE_SU_TYPE(SULengthFormatterRef)
DEFINE_SU_TYPE(SUStringRef)

#pragma pack(pop)
