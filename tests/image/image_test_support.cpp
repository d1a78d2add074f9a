#include "image_test_support.h"

#include "frame/trace.h"

namespace brenvik {
namespace test {

void ImageFiles::SetUp()
{
    traceWas_ = g_bDbgEnabled;
    levelWas_ = g_dwDbgLevel;
    g_bDbgEnabled = 1;
    g_dwDbgLevel = 1;
    if (Backend() == "sim") {
        machine_ = std::make_unique<sim::Machine>(sim::Machine::Typical());
        machine_->MakeDir("C:\\img");
        sim_ = std::make_unique<ScopedMachine>(*machine_);
        services_ = machine_.get();
        dir_ = "C:\\img\\";
        return;
    }
    registry_ = std::make_unique<ScopedRegistryFile>(RegText({}));
    tmp_ = std::make_unique<TempDir>();
    services_ = &platform::DefaultServices();
    real_ = std::make_unique<platform::ScopedServices>(*services_);
    const std::string host = Backslashed(tmp_->path());
    dir_ = (host[0] == '\\' ? "C:" : "") + host + "\\";  // C: is the host's root
}

void ImageFiles::TearDown()
{
    g_bDbgEnabled = traceWas_;
    g_dwDbgLevel = levelWas_;
}

std::string ImageFiles::Put(const std::string &name, const mk::HeaderFields &fields)
{
    std::vector<unsigned char> bytes = mk::HeaderBytes(fields);
    bytes.resize(static_cast<std::size_t>(fields.totalLength), fields.fill);
    return PutText(name, std::string(bytes.begin(), bytes.end()));
}

std::string ImageFiles::PutText(const std::string &name, const std::string &text)
{
    const std::string path = Path(name);
    HANDLE h = S().CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    EXPECT_TRUE(h != INVALID_HANDLE_VALUE &&
                (text.empty() || S().WriteFile(h, text.data(), DWORD(text.size()), &written,
                                               nullptr)))
        << path;
    S().CloseHandle(h);
    return path;
}

std::string ImageFiles::MakeDir(const std::string &name)
{
    EXPECT_TRUE(S().CreateDirectoryA(Path(name).c_str(), nullptr)) << name;
    return Path(name) + "\\";
}

std::vector<std::string> ImageFiles::Lines()
{
    static const std::string kHead = "Orlo DbgMessage:";
    std::vector<std::string> messages;
    for (const std::string &line : machine_ ? machine_->DebugOutput() : messages) {
        const std::size_t file = line.rfind(" FILE:");
        if (line.compare(0, kHead.size(), kHead) != 0 || file == std::string::npos ||
            line.find(" LINE:", file) == std::string::npos || line.back() != ' ')
            ADD_FAILURE() << "not a trace line: [" << line << "]";
        else
            messages.push_back(line.substr(kHead.size(), file - kHead.size()));
    }
    if (machine_)
        machine_->ClearDebugOutput();
    return messages;
}

}  // namespace test
}  // namespace brenvik
