// The hook library's one export. Windows only.
#pragma once

#include <windows.h>

#include "hook/hook_messages.h"

#ifdef QUILLMOOR_DLL_BUILD
#define QUILLMOOR_DLL_API extern "C" __declspec(dllexport)
#else
#define QUILLMOOR_DLL_API extern "C" __declspec(dllimport)
#endif

// target != nullptr: installs the system-wide WH_MOUSE hook that posts the
// three hook messages to target; 1 on success, 0 on failure.
// target == nullptr: removes the hook; nonzero on success, 0 on failure
// (also when no hook was installed).
QUILLMOOR_DLL_API int InvokeQuillmoorDll(HWND target);
