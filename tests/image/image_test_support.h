// Image files on the simulated machine or on the real file system, with the
// trace on.
#ifndef BRENVIK_TESTS_IMAGE_IMAGE_TEST_SUPPORT_H
#define BRENVIK_TESTS_IMAGE_IMAGE_TEST_SUPPORT_H

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image_writer.h"
#include "platform/sim/sim_machine.h"
#include "support/scoped_machine.h"
#include "support/test_support.h"

namespace brenvik {
namespace test {

namespace mk = brenvik::mkimage;

// Image files on the simulated machine (Typical(), empty C:\img\) or "real": a fresh temporary directory
// of the build's file system, empty registry), with the trace on, made through the services so
// that both get them alike. Names are relative to the test's directory, or
// whole paths within it.
class ImageFiles : public ::testing::Test {
protected:
    virtual std::string Backend() const { return "sim"; }
    void SetUp() override;
    void TearDown() override;
    bool Sim() const { return machine_ != nullptr; }
    platform::Services &S() { return *services_; }
    std::string Path(const std::string &name) const
    {
        return name.compare(0, dir_.size(), dir_) == 0 ? name : dir_ + name;
    }
    std::string Put(const std::string &name, const mk::HeaderFields &fields);
    std::string PutText(const std::string &name, const std::string &text = "member");
    std::string MakeDir(const std::string &name);  // its path, ending in '\'
    bool Exists(const std::string &name)
    {
        return S().GetFileAttributesA(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // The message of each trace line since the last call (sim), between
    // "Orlo DbgMessage:" and " FILE:"; a line of another form fails the test.
    std::vector<std::string> Lines();

    std::unique_ptr<sim::Machine> machine_;
    std::unique_ptr<ScopedMachine> sim_;
    std::unique_ptr<ScopedRegistryFile> registry_;
    std::unique_ptr<TempDir> tmp_;
    std::unique_ptr<platform::ScopedServices> real_;
    platform::Services *services_ = nullptr;
    std::string dir_;
    int traceWas_ = 0;
    unsigned long levelWas_ = 0;
};

// The same on each backend.
class ImageFilesTest : public ImageFiles, public ::testing::WithParamInterface<std::string> {
protected:
    std::string Backend() const override { return GetParam(); }
};

inline mk::HeaderFields Fields(std::uint32_t format, std::uint32_t kind, std::uint32_t slaves = 0,
                          std::uint64_t length = mk::kHeaderBytes)
{
    mk::HeaderFields s;
    s.mediaFormat = format;
    s.discKind = kind;
    s.slaveCount = slaves;
    s.totalLength = length;
    return s;
}

}  // namespace test
}  // namespace brenvik

#define IMAGE_BACKENDS(suite)                                                      \
    INSTANTIATE_TEST_SUITE_P(Backends, suite, ::testing::Values("real", "sim"), \
                             [](const auto &info) { return info.param; })

#endif  // BRENVIK_TESTS_IMAGE_IMAGE_TEST_SUPPORT_H
