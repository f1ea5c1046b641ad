// Whether the engine's vector paths are compiled: SSE2 on x86-64, unless the
// build asks for the scalar twins (VR_FORCE_SCALAR, the CMake option of the
// same name), which every vector path keeps for other processors. CI builds
// the filter and word-index tests both ways, so the twins stay right.
#pragma once

#if defined(__SSE2__) && !defined(VR_FORCE_SCALAR)
#define VR_USE_SSE2 1
#include <emmintrin.h>
#else
#define VR_USE_SSE2 0
#endif
