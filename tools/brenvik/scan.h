// The scan of a directory tree for image files and bundles.
#ifndef BRENVIK_TOOLS_BRENVIK_SCAN_H
#define BRENVIK_TOOLS_BRENVIK_SCAN_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace brenvik {
namespace tool {

struct ScanItem {
    enum Kind { kImage, kDvdBundle, kPair, kOrphans, kUnreadable };
    Kind kind = kImage;
    // The image, the master, or for orphans the bundle's missing master;
    // relative to the scanned directory, '/'-separated.
    std::string rel;
    std::string windows;
    unsigned long type = 0xFFFFFFFFUL;  // the library's image type code
    bool hasDesc = false;
    std::string desc;
    unsigned descInfo = 0;
    int slaves = -1;  // from the master's header (DVD bundles); -1 unknown
    bool complete = false;
    std::vector<std::string> members;  // present, relative, member 00 first
    std::vector<std::string> missing;  // relative
    std::vector<std::string> extra;    // present beyond the header's count
    std::string note;                  // why unreadable, or what is odd
};

struct ScanReport {
    std::string rootHost;
    std::string rootWindows;
    std::size_t files = 0;
    std::size_t directories = 0;  // the root included
    std::size_t links = 0;  // symbolic links, not followed
    std::size_t imageFiles = 0;
    std::vector<ScanItem> items;      // by kind, then by path
    std::vector<std::string> errors;  // directories that could not be read
};

// On a network share every open and read waits for a round trip: the
// default keeps that many in flight.
constexpr unsigned kDefaultScanJobs = 16;
constexpr unsigned kMaxScanJobs = 256;

struct ScanConfig {
    unsigned jobs = kDefaultScanJobs;  // directories listed and headers read at once
    bool oneFileSystem = false;        // stay on the root's file system
};

struct ScanCounts {
    std::size_t files = 0;
    std::size_t imageFiles = 0;
    std::size_t imagesRead = 0;  // image files whose headers have been looked at
};

// Called now and then, always on the thread that called Scan.
using ScanProgress = std::function<void(const ScanCounts &)>;

// Walks rootHost (a directory; symbolic links are not followed, mounts of
// kernel pseudo file systems such as proc and sysfs are not entered) whose
// Windows name is rootWindows, and reports every image and bundle in it. The
// report is the same whatever config.jobs is. False, with *error, when
// rootHost cannot be read at all.
bool Scan(const std::string &rootHost, const std::string &rootWindows, const ScanConfig &config,
          const ScanProgress &progress, ScanReport *report, std::string *error);

}  // namespace tool
}  // namespace brenvik

#endif  // BRENVIK_TOOLS_BRENVIK_SCAN_H
