// Test fixtures of the image area: where the test's image files live (a
// backend), the recording services in force, and the trace switched on.
#ifndef BRENVIK_TESTS_IMAGE_IMAGE_TEST_SUPPORT_H
#define BRENVIK_TESTS_IMAGE_IMAGE_TEST_SUPPORT_H

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image_writer.h"
#include "platform/services.h"
#include "tap_services.h"

namespace brenvik {
namespace test {

// The Windows form of a host path: "C:" and backslashes for a POSIX absolute
// path (C: is the host root under an empty registry), backslashes otherwise.
std::string WinPath(const std::string &hostPath);

// A machine on which the tests make their image files.
class ImageBackend {
public:
    virtual ~ImageBackend() = default;
    virtual const char *Name() const = 0;
    virtual platform::Services &Services() = 0;
    // A directory of the machine for the test, Windows form, ending in '\'.
    virtual std::string Dir() const = 0;
};

// The real backend of the build, on a fresh temporary directory, with an
// empty registry.
std::unique_ptr<ImageBackend> MakeRealBackend();

// The backends every file test runs on, by name, for test parameters.
std::vector<std::string> BackendNames();
std::unique_ptr<ImageBackend> MakeBackend(const std::string &name);


// Switches the trace on (level 1) for a scope, restoring the settings after.
class ScopedTraceOn {
public:
    ScopedTraceOn();
    ~ScopedTraceOn();
    ScopedTraceOn(const ScopedTraceOn &) = delete;
    ScopedTraceOn &operator=(const ScopedTraceOn &) = delete;

private:
    int enabled_;
    unsigned long level_;
};

// The message part of each trace line of the debug output (the text between
// "Orlo DbgMessage:" and " FILE:"); a line of another form fails the test.
std::vector<std::string> TraceMessages(const std::vector<std::string> &debugOutput);

// The whole image file for spec, header and padding.
std::vector<unsigned char> ImageFileBytes(const mkimage::ImageSpec &spec);

// Files made through services, so that every backend gets them alike. They
// fail the test on error.
void PutFile(platform::Services &s, const std::string &winPath,
             const std::vector<unsigned char> &bytes);
void PutImage(platform::Services &s, const std::string &winPath, const mkimage::ImageSpec &spec);
void PutDir(platform::Services &s, const std::string &winPath);

// A test on image files of one backend, with recording services in force
// over it. Files are made past the recorder, so that its records hold only
// what the code under test did.
class ImageFilesTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string Path(const std::string &name) const { return backend_->Dir() + name; }
    // Makes the image file name in the test's directory; returns its path.
    std::string Put(const std::string &name, const mkimage::ImageSpec &spec);
    std::string PutBytes(const std::string &name, const std::vector<unsigned char> &bytes);
    std::vector<std::string> Lines() const { return TraceMessages(tap_->debugOutput); }

    std::unique_ptr<ImageBackend> backend_;
    std::unique_ptr<TapServices> tap_;
    std::unique_ptr<platform::ScopedServices> install_;
};

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_IMAGE_IMAGE_TEST_SUPPORT_H
