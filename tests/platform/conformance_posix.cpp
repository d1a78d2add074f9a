// The conformance suite on the POSIX backend: drive C: is a fresh temporary
// directory named by a fresh registry file.
#include "platform/conformance.h"
#include "platform/posix_fixture.h"

namespace brenvik {
namespace conformance {
namespace {

class PosixConformanceBackend : public ConformanceBackend {
public:
    PosixConformanceBackend()
        : driveRoot_(root_ / "c"),
          registry_(test::RegText({posixtest::DriveKey('C', driveRoot_, "fixed")}))
    {
        test::MakeHostDirs(driveRoot_);
    }

    platform::Services &services() override { return platform::PosixServices(); }
    std::string Path(const std::string &relative) const override { return "C:\\" + relative; }
    std::string DriveRoot() const override { return "C:\\"; }
    char UnusedDriveLetter() const override { return 'Q'; }

private:
    test::TempDir root_;
    std::string driveRoot_;
    test::ScopedRegistryFile registry_;
};

std::unique_ptr<ConformanceBackend> MakePosixBackend()
{
    return std::make_unique<PosixConformanceBackend>();
}

INSTANTIATE_TEST_SUITE_P(Posix, PlatformConformance,
                         ::testing::Values(BackendParam{"posix", &MakePosixBackend}),
                         BackendParamName);

}  // namespace
}  // namespace conformance
}  // namespace brenvik
