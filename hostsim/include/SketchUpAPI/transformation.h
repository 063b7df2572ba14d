// Kept because plug-ins include it by this name; SUTransformation lives in geometry.h, as in the
// SDK.
#pragma once

#include <SketchUpAPI/geometry.h>
