// The services in force, reporting another ANSI code page while it lives, so
// that the runtime's lead bytes follow it as they follow any installed services.
#ifndef BRENVIK_TESTS_SUPPORT_CODE_PAGE_H
#define BRENVIK_TESTS_SUPPORT_CODE_PAGE_H

#include "platform/forwarding_services.h"

namespace brenvik {
namespace test {

class ScopedCodePage : private platform::ForwardingServices {
public:
    explicit ScopedCodePage(unsigned codePage)
        : ForwardingServices(platform::sys()), codePage_(codePage), scope_(*this)
    {
    }

private:
    const char *Name() const override { return "code page"; }
    UINT GetACP() override { return codePage_; }
    unsigned codePage_;
    platform::ScopedServices scope_;
};

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_SUPPORT_CODE_PAGE_H
