// The platform's forwarding services, under the name the tests know.
#ifndef BRENVIK_TESTS_SUPPORT_FORWARDING_SERVICES_H
#define BRENVIK_TESTS_SUPPORT_FORWARDING_SERVICES_H

#include "platform/forwarding_services.h"

namespace brenvik {
namespace test {
using platform::ForwardingServices;
}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_SUPPORT_FORWARDING_SERVICES_H
