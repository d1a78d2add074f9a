// brenvik scan against find -type f over the same generated tree, in one run.
//
//   scan_bench [--files N] [--runs R] [--keep]
//
// Writes a tree of N files (default 10,000): single images, split DVD
// bundles, mixed-mode pairs and, mostly, other files, spread over a few
// hundred directories. Checks that the scan reports every image and bundle,
// then times R runs of each command (default 7; the medians count) and
// prints both and their ratio. The target is a ratio of at most 3.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "image_writer.h"

extern char **environ;

namespace {

namespace fs = std::filesystem;
namespace mk = brenvik::mkimage;

struct Layout {
    int singles = 0, dvdBundles = 0, pairs = 0, others = 0, files = 0;
};

// Roughly 3% single images, 6% DVD bundle members, 2% pair members.
Layout Plan(int files)
{
    Layout l;
    l.singles = files * 3 / 100;
    l.dvdBundles = files * 15 / 1000;  // four files each
    l.pairs = files / 100;             // two files each
    l.others = files - l.singles - 4 * l.dvdBundles - 2 * l.pairs;
    l.files = files;
    return l;
}

bool Generate(const fs::path &root, const Layout &l)
{
    const int kDirs = 400;
    std::vector<fs::path> dirs;
    for (int i = 0; i < kDirs; ++i) {
        // Two levels: 20 groups of 20.
        fs::path d = root / ("group" + std::to_string(i / 20)) / ("dir" + std::to_string(i % 20));
        fs::create_directories(d);
        dirs.push_back(d);
    }
    auto dirFor = [&dirs](int i) { return dirs[static_cast<std::size_t>(i) % dirs.size()]; };

    mk::HeaderFields image;
    image.totalLength = 4096;
    image.discKind = mk::kKindVideo;
    image.desc = "generated single image";
    for (int i = 0; i < l.singles; ++i)
        if (!mk::WriteImage((dirFor(i) / ("Single" + std::to_string(i) + ".vcd")).string(), image))
            return false;

    mk::HeaderFields master;
    master.totalLength = 4096;
    master.mediaFormat = mk::kFormatDvd;
    master.slaveCount = 3;
    master.desc = "generated DVD bundle";
    for (int i = 0; i < l.dvdBundles; ++i) {
        const std::string title = "Film" + std::to_string(i) + ".DVD";
        const fs::path d = dirFor(i * 7) / title;
        fs::create_directories(d);
        if (!mk::WriteImage((d / (title + ".D00")).string(), master))
            return false;
        for (int k = 1; k <= 3; ++k)
            if (!mk::WriteFiller((d / (title + ".D0" + std::to_string(k))).string(), 2048, 0x11))
                return false;
    }

    mk::HeaderFields pair;
    pair.totalLength = 4096;
    pair.discKind = mk::kKindMixedMode;
    pair.slaveCount = 1;
    pair.desc = "generated pair";
    for (int i = 0; i < l.pairs; ++i) {
        const fs::path d = dirFor(i * 3 + 1);
        const std::string title = "Album" + std::to_string(i) + ".VCD";
        if (!mk::WriteImage((d / (title + ".D00")).string(), pair) ||
            !mk::WriteFiller((d / (title + ".D01")).string(), 2048, 0x22))
            return false;
    }

    static const char *const kExt[] = {".txt", ".jpg", ".mp3", ".iso", ".dat", ".nfo", ".D00x"};
    for (int i = 0; i < l.others; ++i) {
        const fs::path f = dirFor(i * 13 + 5) / ("file" + std::to_string(i) + kExt[i % 7]);
        if (!mk::WriteBytes(f.string(), "not an image\n"))
            return false;
    }
    return true;
}

struct Times {
    double wall = -1;  // milliseconds; negative when the run failed
    double cpu = 0;    // user and system time of the child
};

// Runs argv with standard output into outFile ("" for /dev/null).
Times Time(const std::vector<std::string> &argv, const std::string &outFile = "")
{
    Times t;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.empty() ? "/dev/null" : outFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    const int rc = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return t;
    int status = 0;
    struct rusage usage;
    ::wait4(pid, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return t;
    t.wall = std::chrono::duration<double, std::milli>(end - start).count();
    auto ms = [](const struct timeval &tv) { return tv.tv_sec * 1000.0 + tv.tv_usec / 1000.0; };
    t.cpu = ms(usage.ru_utime) + ms(usage.ru_stime);
    return t;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char **argv)
{
    int files = 10000, runs = 7;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--files" && i + 1 < argc)
            files = std::atoi(argv[++i]);
        else if (a == "--runs" && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (a == "--keep")
            keep = true;
        else {
            std::fprintf(stderr, "usage: scan_bench [--files N] [--runs R] [--keep]\n");
            return 2;
        }
    }
    if (files < 1000 || runs < 1) {
        std::fprintf(stderr, "scan_bench: --files at least 1000, --runs at least 1\n");
        return 2;
    }

    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/brenvik-scan-bench-XXXXXX";
    if (::mkdtemp(&pattern[0]) == nullptr) {
        std::perror("scan_bench: mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    const fs::path tree = root / "tree";
    const Layout layout = Plan(files);
    int status = 0;
    if (!Generate(tree, layout)) {
        std::fprintf(stderr, "scan_bench: cannot write the tree under %s\n", root.c_str());
        status = 1;
    }

    const std::string tool = BRENVIK_TOOL_PATH;
    // Only the tree's own registry: C: is the host root.
    const std::string reg = (root / "registry.reg").string();
    ::setenv("BRENVIK_REGISTRY", reg.c_str(), 1);
    const std::vector<std::string> scan = {tool, "scan", "--json", "--no-progress", tree.string()};
    const std::vector<std::string> find = {"find", tree.string(), "-type", "f"};

    // The scan must be right before its time means anything.
    if (status == 0) {
        const std::string out = (root / "scan.json").string();
        if (Time(scan, out).wall < 0) {
            std::fprintf(stderr, "scan_bench: the scan failed\n");
            status = 1;
        } else {
            std::FILE *f = std::fopen(out.c_str(), "rb");
            nlohmann::json doc = nlohmann::json::parse(f, nullptr, false);
            std::fclose(f);
            const auto &s = doc["summary"];
            const bool right = !doc.is_discarded() && s["files"] == layout.files &&
                               s["single_images"] == layout.singles &&
                               s["dvd_bundles"] == layout.dvdBundles &&
                               s["incomplete_dvd_bundles"] == 0 && s["pairs"] == layout.pairs &&
                               s["unreadable"] == 0;
            if (!right) {
                std::fprintf(stderr, "scan_bench: the scan reported %s\n", s.dump().c_str());
                status = 1;
            }
        }
    }

    if (status == 0) {
        Time(find);  // warm the caches for both
        std::vector<double> scanMs, findMs, scanCpu, findCpu;
        for (int r = 0; r < runs; ++r) {
            const Times s = Time(scan), f = Time(find);
            if (s.wall < 0 || f.wall < 0) {
                std::fprintf(stderr, "scan_bench: a timed run failed\n");
                status = 1;
                break;
            }
            scanMs.push_back(s.wall);
            findMs.push_back(f.wall);
            scanCpu.push_back(s.cpu);
            findCpu.push_back(f.cpu);
        }
        if (status == 0) {
            const double s = Median(scanMs), f = Median(findMs);
            const double sc = Median(scanCpu), fc = Median(findCpu);
            std::printf("tree: %d files (%d single images, %d DVD bundles of 4 files, %d pairs, "
                        "%d other files)\n",
                        layout.files, layout.singles, layout.dvdBundles, layout.pairs,
                        layout.others);
            std::printf("                      wall (median of %d)  cpu (median)\n", runs);
            std::printf("brenvik scan --json:  %8.1f ms          %8.1f ms\n", s, sc);
            std::printf("find -type f:         %8.1f ms          %8.1f ms\n", f, fc);
            std::printf("ratio scan/find:      %8.2f             %8.2f    (target <= 3 on wall "
                        "time: %s)\n",
                        s / f, fc > 0 ? sc / fc : 0.0, s / f <= 3.0 ? "met" : "MISSED");
        }
    }

    std::error_code ec;
    if (keep)
        std::printf("tree kept in %s\n", root.c_str());
    else
        fs::remove_all(root, ec);
    return status;
}
