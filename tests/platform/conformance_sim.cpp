// The conformance suite on the simulated machine: drive C: of a Typical()
// machine, the case's directory C:\conformance\. Another opener is simply
// another handle: the machine has one process.
#include <memory>

#include "platform/conformance.h"
#include "platform/sim/sim_machine.h"
#include "support/test_support.h"

namespace brenvik {
namespace conformance {
namespace {

class HandleHolder : public OpenHolder {
public:
    HandleHolder(sim::Machine &machine, HANDLE h) : machine_(machine), h_(h) {}
    ~HandleHolder() override { machine_.CloseHandle(h_); }

private:
    sim::Machine &machine_;
    HANDLE h_;
};

class SimConformanceBackend : public ConformanceBackend {
public:
    SimConformanceBackend() : machine_(sim::Machine::Typical()), install_(machine_)
    {
        machine_.MakeDir("C:\\conformance");
        machine_.AddRegText(test::RegText(ConformanceRegistryLines()));
    }

    platform::Services &services() override { return machine_; }
    std::string Path(const std::string &relative) const override
    {
        return "C:\\conformance\\" + relative;
    }
    std::string DriveRoot() const override { return "C:\\"; }
    char UnusedDriveLetter() const override { return 'Q'; }

    bool SetReadOnly(const std::string &r, bool on) override { return SetBit(r, FILE_ATTRIBUTE_READONLY, on); }
    bool SetHidden(const std::string &r, bool on) override { return SetBit(r, FILE_ATTRIBUTE_HIDDEN, on); }
    bool SetSystem(const std::string &r, bool on) override { return SetBit(r, FILE_ATTRIBUTE_SYSTEM, on); }
    bool KeepsDosAttributes() const override { return true; }

    std::unique_ptr<OpenHolder> HoldOpen(const std::string &relative, DWORD access, DWORD share,
                                         DWORD *error) override
    {
        HANDLE h = machine_.CreateFileA(Path(relative).c_str(), access, share, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            *error = machine_.GetLastError();
            return nullptr;
        }
        return std::make_unique<HandleHolder>(machine_, h);
    }

private:
    bool SetBit(const std::string &relative, DWORD bit, bool on)
    {
        const std::string path = Path(relative);
        DWORD attrs = machine_.GetAttributes(path);
        if (attrs == INVALID_FILE_ATTRIBUTES)
            return false;
        if (attrs == FILE_ATTRIBUTE_NORMAL)
            attrs = 0;
        machine_.SetAttributes(path, on ? (attrs | bit) : (attrs & ~bit));
        return true;
    }

    sim::Machine machine_;
    platform::ScopedServices install_;
};

std::unique_ptr<ConformanceBackend> MakeSimBackend()
{
    return std::make_unique<SimConformanceBackend>();
}

INSTANTIATE_TEST_SUITE_P(Sim, PlatformConformance,
                         ::testing::Values(BackendParam{"sim", &MakeSimBackend}),
                         BackendParamName);

}  // namespace
}  // namespace conformance
}  // namespace brenvik
