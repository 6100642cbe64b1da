// Finding the module that holds a resource.
#pragma once

#include "App.h"

// The application's resource module; the program's own resources live there.
inline HINSTANCE AfxFindResourceHandle(LPCWSTR name, LPCWSTR type) {
    HINSTANCE module = AfxGetResourceHandle();
    return ::FindResourceW(module, name, type) ? module : nullptr;
}
