// Facts about the running SketchUp application (exported by the application only).
#pragma once

#include <SketchUpAPI/common.h>

#ifdef __cplusplus
extern "C" {
#endif

enum SUEdition {
    SUEdition_Unknown,
    SUEdition_Make,
    SUEdition_Pro,
};

// Writes the application version as NUL-terminated UTF-8; length counts the terminator.
SU_RESULT SUGetVersionStringUtf8(size_t length, char* version);

SU_RESULT SUGetEdition(enum SUEdition* edition);

#ifdef __cplusplus
}  // extern "C"
#endif
