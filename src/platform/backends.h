// The real backends. Only the one of the build's platform is compiled.
#ifndef BRENVIK_PLATFORM_BACKENDS_H
#define BRENVIK_PLATFORM_BACKENDS_H

#include "platform/services.h"

namespace brenvik {
namespace platform {

#if defined(_WIN32)
Services &Win32Services();
#else
Services &PosixServices();
#endif

}  // namespace platform
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_BACKENDS_H
