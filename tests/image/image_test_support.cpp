#include "image_test_support.h"

#include <gtest/gtest.h>

#include "frame/trace.h"
#include "platform/sim/sim_machine.h"
#include "support/test_support.h"

namespace brenvik {
namespace test {

std::string WinPath(const std::string &hostPath)
{
    if (!hostPath.empty() && hostPath[0] == '/')
        return "C:" + Backslashed(hostPath);
    return Backslashed(hostPath);
}

namespace {

class RealBackend : public ImageBackend {
public:
    RealBackend() : registry_(RegText({})) {}
    const char *Name() const override { return "real"; }
    platform::Services &Services() override { return platform::DefaultServices(); }
    std::string Dir() const override { return WinPath(dir_.path()) + "\\"; }

private:
    ScopedRegistryFile registry_;
    TempDir dir_;
};

// The simulated machine: the test's directory is C:\img\ of a typical
// machine; handles left open are reported when it goes.
class SimBackend : public ImageBackend {
public:
    SimBackend() : machine_(sim::Machine::Typical()) { machine_.MakeDir("C:\\img"); }
    ~SimBackend() override
    {
        for (const std::string &leak : machine_.Leaks())
            ADD_FAILURE() << "simulated machine: " << leak;
    }
    const char *Name() const override { return "sim"; }
    platform::Services &Services() override { return machine_; }
    std::string Dir() const override { return "C:\\img\\"; }

private:
    sim::Machine machine_;
};

}  // namespace

std::unique_ptr<ImageBackend> MakeRealBackend()
{
    return std::make_unique<RealBackend>();
}

std::vector<std::string> BackendNames()
{
    return {"real", "sim"};
}

std::unique_ptr<ImageBackend> MakeBackend(const std::string &name)
{
    if (name == "real")
        return MakeRealBackend();
    if (name == "sim")
        return std::make_unique<SimBackend>();
    ADD_FAILURE() << "no backend " << name;
    return MakeRealBackend();
}

void ImageFilesTest::SetUp()
{
    backend_ = MakeBackend(GetParam());
    tap_ = std::make_unique<TapServices>(backend_->Services());
    install_ = std::make_unique<platform::ScopedServices>(*tap_);
}

void ImageFilesTest::TearDown()
{
    install_.reset();
    if (tap_) {
        EXPECT_EQ(tap_->OpenHandles(), 0u) << "handles left open";
    }
    tap_.reset();
    backend_.reset();
}

std::string ImageFilesTest::Put(const std::string &name, const mkimage::ImageSpec &spec)
{
    const std::string path = Path(name);
    PutImage(backend_->Services(), path, spec);
    return path;
}

std::string ImageFilesTest::PutBytes(const std::string &name,
                                     const std::vector<unsigned char> &bytes)
{
    const std::string path = Path(name);
    PutFile(backend_->Services(), path, bytes);
    return path;
}

ScopedTraceOn::ScopedTraceOn() : enabled_(g_bDbgEnabled), level_(g_dwDbgLevel)
{
    g_bDbgEnabled = 1;
    g_dwDbgLevel = 1;
}

ScopedTraceOn::~ScopedTraceOn()
{
    g_bDbgEnabled = enabled_;
    g_dwDbgLevel = level_;
}

std::vector<std::string> TraceMessages(const std::vector<std::string> &debugOutput)
{
    static const std::string kHead = "Orlo DbgMessage:";
    std::vector<std::string> messages;
    for (const std::string &line : debugOutput) {
        const std::size_t file = line.rfind(" FILE:");
        if (line.compare(0, kHead.size(), kHead) != 0 || file == std::string::npos ||
            line.find(" LINE:", file) == std::string::npos || line.back() != ' ') {
            ADD_FAILURE() << "not a trace line: [" << line << "]";
            continue;
        }
        messages.push_back(line.substr(kHead.size(), file - kHead.size()));
    }
    return messages;
}

std::vector<unsigned char> ImageFileBytes(const mkimage::ImageSpec &spec)
{
    std::vector<unsigned char> bytes = mkimage::HeaderBytes(spec);
    if (spec.totalLength > bytes.size())
        bytes.resize(static_cast<std::size_t>(spec.totalLength), spec.fill);
    return bytes;
}

void PutFile(platform::Services &s, const std::string &winPath,
             const std::vector<unsigned char> &bytes)
{
    HANDLE h = s.CreateFileA(winPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot create " << winPath << ": error " << s.GetLastError();
        return;
    }
    DWORD written = 0;
    if (!bytes.empty() &&
        (!s.WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
         written != bytes.size()))
        ADD_FAILURE() << "cannot write " << winPath << ": error " << s.GetLastError();
    s.CloseHandle(h);
}

void PutImage(platform::Services &s, const std::string &winPath, const mkimage::ImageSpec &spec)
{
    PutFile(s, winPath, ImageFileBytes(spec));
}

void PutDir(platform::Services &s, const std::string &winPath)
{
    if (!s.CreateDirectoryA(winPath.c_str(), nullptr))
        ADD_FAILURE() << "cannot make " << winPath << ": error " << s.GetLastError();
}

}  // namespace test
}  // namespace brenvik
