// Start-up and shut-down of the standalone API, and its version.
#pragma once

#include <SketchUpAPI/common.h>

#ifdef __cplusplus
extern "C" {
#endif

// Standalone use only; a plug-in living inside the application must not call these two.
SU_EXPORT void SUInitialize(void);
SU_EXPORT void SUTerminate(void);

SU_EXPORT void SUGetAPIVersion(size_t* major, size_t* minor);

#ifdef __cplusplus
}  // extern "C"
#endif
