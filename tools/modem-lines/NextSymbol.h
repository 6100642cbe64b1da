/* The C library's own function behind one this library wraps, looked up once. */
#pragma once

#include <dlfcn.h>

/* The next definition of NAME after this library, cached in *SLOT; NULL if there is none. */
static inline void* next_symbol(const char* name, void** slot) {
    void* function = __atomic_load_n(slot, __ATOMIC_ACQUIRE);
    if (!function) {
        function = dlsym(RTLD_NEXT, name);
        __atomic_store_n(slot, function, __ATOMIC_RELEASE);
    }
    return function;
}
