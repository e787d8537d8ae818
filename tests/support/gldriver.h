// Under AddressSanitizer the GL driver is unloaded before the leak report, which then cannot
// name the library its own leaks come from; kept loaded, they are matched by library name like
// any other. Every program of the test suite that opens the 3D view calls this first.
#pragma once

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VTQ_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VTQ_ASAN 1
#endif

#ifdef VTQ_ASAN
#include <dlfcn.h>

#include <initializer_list>
#endif

inline void keepGlDriverLoadedUnderAsan()
{
#ifdef VTQ_ASAN
    for (const char* library : {"libGLX_mesa.so.0", "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"})
        dlopen(library, RTLD_LAZY | RTLD_NODELETE);
#endif
}
