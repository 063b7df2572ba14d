// The Windows headers, for this layer and for the tests that call Windows themselves. They
// define macros for the A/W pairs (CreateFileMapping for CreateFileMappingW, ...) that would
// rename the layer's own functions of the same names; they are undefined here, and Windows'
// functions are called by their full W names.
#pragma once

#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlwapi.h>

#undef CreateDirectory
#undef CreateFileMapping
#undef DeleteFile
#undef EnumProcesses
#undef GetClassName
#undef GetTempPath
#undef GetWindowText
#undef MessageBox
#undef OpenFileMapping
#undef OutputDebugString
#undef PostMessage
