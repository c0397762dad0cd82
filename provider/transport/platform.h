// Calling convention and basic types shared by portable and Windows builds.
#pragma once
#include <stdint.h>

#if defined(_WIN32)
#define PQ_WINAPI __stdcall
#define PQ_EXPORT extern "C"
#else
#define PQ_WINAPI
#define PQ_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// A transport device handle: opaque, 0 means none.
typedef uint32_t DeviceHandle;
