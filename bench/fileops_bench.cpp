// DelTree against rm -rf on two identical trees of 20,000 files in 2,000
// directories, made side by side on one file system and deleted in the same
// run. Reports both times and their ratio (target: at most 1.5). A second
// case deletes one directory of 20,000 files and reports how much the
// process's peak resident memory grew meanwhile: the listing streams, so it
// should stay near nothing.
//
//   fileops_bench [--benchmark_...]      (BRENVIK_BENCH_DIR: where to build the trees)
#include <brenvik/brenvik.h>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern char **environ;

namespace {

constexpr int kTopDirs = 40;
constexpr int kSubDirs = 49;   // per top directory: 40 + 40 * 49 = 2,000 directories
constexpr int kFilesPerDir = 10;  // 20,000 files

void Fail(const std::string &what)
{
    std::perror(what.c_str());
    std::exit(1);
}

void MakeDir(const std::string &path)
{
    if (::mkdir(path.c_str(), 0755) != 0)
        Fail("mkdir " + path);
}

void FillDir(const std::string &dir)
{
    for (int f = 0; f < kFilesPerDir; ++f) {
        std::string path = dir + "/file" + std::to_string(f) + ".dat";
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0)
            Fail("open " + path);
        const char bytes[] = "some content";
        if (::write(fd, bytes, sizeof bytes) != static_cast<ssize_t>(sizeof bytes))
            Fail("write " + path);
        ::close(fd);
    }
}

void MakeTree(const std::string &root)
{
    MakeDir(root);
    for (int t = 0; t < kTopDirs; ++t) {
        std::string top = root + "/top" + std::to_string(t);
        MakeDir(top);
        FillDir(top);
        for (int s = 0; s < kSubDirs; ++s) {
            std::string sub = top + "/sub" + std::to_string(s);
            MakeDir(sub);
            FillDir(sub);
        }
    }
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// CPU seconds (user + system) of a resource usage record.
double CpuSeconds(const struct rusage &u)
{
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double ThreadCpuSeconds()
{
    struct rusage u;
    ::getrusage(RUSAGE_THREAD, &u);
    return CpuSeconds(u);
}

// Wall time, and in *cpu the CPU time: on a loaded machine the wall times of
// the two are skewed by waiting for a core, their CPU times are not.
double TimeRmRf(const std::string &root, double *cpu)
{
    auto start = std::chrono::steady_clock::now();
    pid_t pid;
    char rm[] = "/bin/rm";
    char rf[] = "-rf";
    std::string target = root;
    char *argv[] = {rm, rf, &target[0], nullptr};
    if (posix_spawn(&pid, rm, nullptr, nullptr, argv, environ) != 0)
        Fail("posix_spawn rm");
    int status = 0;
    struct rusage usage;
    if (::wait4(pid, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Fail("rm -rf " + root);
    *cpu = CpuSeconds(usage);
    return Seconds(start);
}

double TimeDelTree(const std::string &windowsRoot, const std::string &hostRoot,
                   double *cpu = nullptr)
{
    const double cpuStart = ThreadCpuSeconds();
    auto start = std::chrono::steady_clock::now();
    int result = CDriveEx::DelTree(windowsRoot.c_str(), 0);
    double s = Seconds(start);
    if (cpu)
        *cpu = ThreadCpuSeconds() - cpuStart;
    struct stat st;
    if (result != 1 || ::lstat(hostRoot.c_str(), &st) == 0) {
        std::fprintf(stderr, "DelTree of %s did not delete the tree (result %d)\n",
                     windowsRoot.c_str(), result);
        std::exit(1);
    }
    return s;
}

struct Workspace {
    std::string base;      // host directory holding everything
    std::string drive;     // host directory mapped to drive T:
    Workspace()
    {
        const char *where = std::getenv("BRENVIK_BENCH_DIR");
        std::string pattern = std::string(where ? where : "/tmp") + "/brenvik-bench-XXXXXX";
        if (::mkdtemp(&pattern[0]) == nullptr)
            Fail("mkdtemp");
        base = pattern;
        drive = base + "/drive";
        MakeDir(drive);
        std::string reg = base + "/registry.reg";
        FILE *f = std::fopen(reg.c_str(), "w");
        if (!f)
            Fail("registry file");
        std::fprintf(f,
                     "Windows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\T]\r\n"
                     "\"Path\"=\"%s\"\r\n\"Type\"=\"fixed\"\r\n",
                     drive.c_str());
        std::fclose(f);
        ::setenv("BRENVIK_REGISTRY", reg.c_str(), 1);
    }
    ~Workspace()
    {
        std::string cmd = "rm -rf '" + base + "'";
        if (std::system(cmd.c_str()) != 0)
            std::fprintf(stderr, "could not remove %s\n", base.c_str());
    }
};

// First, while the process's peak is still low.
long PeakRssKb()
{
    struct rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void BM_DelTreeFlatDirectoryPeakMemory(benchmark::State &state)
{
    Workspace ws;
    const int files = static_cast<int>(state.range(0));
    long growth = 0;
    for (auto _ : state) {
        const std::string flat = ws.drive + "/flat";
        MakeDir(flat);
        for (int f = 0; f < files; ++f) {
            std::string path = flat + "/entry-with-a-longish-name-" + std::to_string(f) + ".dat";
            int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (fd < 0)
                Fail("open " + path);
            ::close(fd);
        }
        // A small tree deleted first, so that the library's code and its
        // one-time allocations are already counted in the peak.
        MakeDir(ws.drive + "/warm");
        MakeDir(ws.drive + "/warm/sub");
        FillDir(ws.drive + "/warm/sub");
        TimeDelTree("T:\\warm", ws.drive + "/warm");
        const long before = PeakRssKb();
        auto start = std::chrono::steady_clock::now();
        TimeDelTree("T:\\flat", flat);
        state.SetIterationTime(Seconds(start));
        growth = std::max(growth, PeakRssKb() - before);
    }
    state.counters["peak_rss_growth_kB"] = static_cast<double>(growth);
    std::printf("one directory of %d files: peak resident memory grew by %ld kB\n", files, growth);
}
BENCHMARK(BM_DelTreeFlatDirectoryPeakMemory)
    ->Arg(20000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_DelTreeVersusRmRf(benchmark::State &state)
{
    Workspace ws;
    double delTreeTotal = 0, rmTotal = 0, delTreeCpu = 0, rmCpu = 0;
    int round = 0;
    for (auto _ : state) {
        const std::string a = ws.drive + "/treeA", b = ws.drive + "/treeB";
        MakeTree(a);
        MakeTree(b);
        ::sync();
        // Alternate which goes first, so that neither always meets a warmer cache.
        double d, r, dc, rc;
        if (round++ % 2 == 0) {
            d = TimeDelTree("T:\\treeA", a, &dc);
            r = TimeRmRf(b, &rc);
        } else {
            r = TimeRmRf(b, &rc);
            d = TimeDelTree("T:\\treeA", a, &dc);
        }
        delTreeTotal += d;
        rmTotal += r;
        delTreeCpu += dc;
        rmCpu += rc;
        state.SetIterationTime(d + r);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["DelTree_ms"] = delTreeTotal / n * 1e3;
    state.counters["rm_rf_ms"] = rmTotal / n * 1e3;
    state.counters["ratio"] = delTreeTotal / rmTotal;
    state.counters["cpu_ratio"] = delTreeCpu / rmCpu;
    std::printf("wall: DelTree %.1f ms, rm -rf %.1f ms, ratio %.2f (target <= 1.5)\n",
                delTreeTotal / n * 1e3, rmTotal / n * 1e3, delTreeTotal / rmTotal);
    std::printf("cpu:  DelTree %.1f ms, rm -rf %.1f ms, ratio %.2f\n", delTreeCpu / n * 1e3,
                rmCpu / n * 1e3, delTreeCpu / rmCpu);
}
BENCHMARK(BM_DelTreeVersusRmRf)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
