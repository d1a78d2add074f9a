// A code page for a test: the services in force, reporting another ANSI code
// page while it lives, so that the runtime's lead bytes follow it as they
// follow any installed services.
#ifndef BRENVIK_TESTS_SUPPORT_CODE_PAGE_H
#define BRENVIK_TESTS_SUPPORT_CODE_PAGE_H

#include "platform/services.h"
#include "support/forwarding_services.h"

namespace brenvik {
namespace test {

class ScopedCodePage {
public:
    explicit ScopedCodePage(unsigned codePage)
        : services_(platform::sys(), codePage), scope_(services_)
    {
    }

private:
    class CodePageServices : public ForwardingServices {
    public:
        CodePageServices(platform::Services &inner, unsigned codePage)
            : ForwardingServices(inner), codePage_(codePage)
        {
        }
        const char *Name() const override { return "code page"; }
        UINT GetACP() override { return codePage_; }

    private:
        unsigned codePage_;
    };

    CodePageServices services_;
    platform::ScopedServices scope_;
};

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_SUPPORT_CODE_PAGE_H
