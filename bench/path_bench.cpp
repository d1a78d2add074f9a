// Nanoseconds per call of the path model's main operations on realistic
// paths, each beside the same job done with std::filesystem::path on the
// path written with '/', and the ratio of the two (target: 0.5 or less).
//
//   path_bench --benchmark_repetitions=9   (ratios then use the medians)
#include <brenvik/brenvik.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char *const kPaths[] = {
    R"(C:\Users\alice\Documents\Projects\brenvik\notes.txt)",
    R"(D:\Media\Video\Holiday 2019\Movie.DVD\Movie.DVD.D00)",
    R"(E:\img\disc.vcd)",
    R"(C:\Program Files\Orlo\Burner\data\template.iso)",
    R"(\\fileserver\share\images\backup\disc01.vcd)",
    R"(\\nas01\public\music\album 2\track07.wav)",
};
constexpr std::size_t kCount = sizeof kPaths / sizeof kPaths[0];

struct Pieces {
    bool unc;
    std::string root;  // drive prefix, or computer and share
    std::string computer, share, drv, dir, title, ext;
};

// Inputs prepared once: the pieces for the composers, and the '/' forms
// for std::filesystem.
struct Inputs {
    std::vector<Pieces> pieces;
    std::vector<std::string> slashed;
    Inputs()
    {
        for (const char *p : kPaths) {
            SPLITFPATH_tag rec;
            int unc = 0;
            if (!CDriveEx::MySplitPath(p, &rec, &unc))
                std::abort();
            Pieces x;
            x.unc = unc != 0;
            if (x.unc) {
                x.computer = rec.unc.strComputer_name;
                x.share = rec.unc.strShare_name;
                x.dir = rec.unc.strDir;
                x.title = rec.unc.strFileTitle;
                x.ext = rec.unc.strFileExt;
                x.root = "//" + x.computer + "/" + x.share;
            } else {
                x.drv = rec.drv.strDrv;
                x.dir = rec.drv.strDir;
                x.title = rec.drv.strFileTitle;
                x.ext = rec.drv.strFileExt;
                x.root = x.drv.substr(0, 2) + "/";
            }
            for (char &c : x.dir)
                if (c == '\\')
                    c = '/';
            pieces.push_back(x);
            std::string s = p;
            for (char &c : s)
                if (c == '\\')
                    c = '/';
            slashed.push_back(s);
        }
    }
};

const Inputs &In()
{
    static const Inputs inputs;
    return inputs;
}

// ---- The library ------------------------------------------------------------

void Ours_MySplitPath(benchmark::State &state)
{
    SPLITFPATH_tag rec;
    int unc = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CDriveEx::MySplitPath(kPaths[i], &rec, &unc));
        benchmark::ClobberMemory();
        i = i + 1 == kCount ? 0 : i + 1;
    }
}

void Ours_ComposeDrvPath(benchmark::State &state)
{
    std::vector<const Pieces *> drv;
    for (const Pieces &p : In().pieces)
        if (!p.unc)
            drv.push_back(&p);
    char out[BRENVIK_MAX_PATH];
    std::size_t i = 0;
    for (auto _ : state) {
        const Pieces &p = *drv[i];
        benchmark::DoNotOptimize(CDriveEx::ComposeDrvPath(out, p.drv.c_str(), p.dir.c_str(),
                                                          p.title.c_str(), p.ext.c_str()));
        benchmark::ClobberMemory();
        i = i + 1 == drv.size() ? 0 : i + 1;
    }
}

void Ours_ComposeUNC(benchmark::State &state)
{
    std::vector<const Pieces *> unc;
    for (const Pieces &p : In().pieces)
        if (p.unc)
            unc.push_back(&p);
    char out[BRENVIK_MAX_PATH];
    std::size_t i = 0;
    for (auto _ : state) {
        const Pieces &p = *unc[i];
        benchmark::DoNotOptimize(CDriveEx::ComposeUNC(out, p.computer.c_str(), p.share.c_str(),
                                                      p.dir.c_str(), p.title.c_str(),
                                                      p.ext.c_str()));
        benchmark::ClobberMemory();
        i = i + 1 == unc.size() ? 0 : i + 1;
    }
}

void Ours_ChkFullPath_s(benchmark::State &state)
{
    char dir[BRENVIK_MAX_PATH], name[BRENVIK_MAX_PATH], ext[BRENVIK_MAX_PATH];
    int code = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            CDriveEx::ChkFullPath_s(kPaths[i], 1, 1, 1, dir, name, ext, &code));
        benchmark::ClobberMemory();
        i = i + 1 == kCount ? 0 : i + 1;
    }
}

void Ours_ChgPathExt(benchmark::State &state)
{
    char out[BRENVIK_MAX_PATH];
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CDriveEx::ChgPathExt(kPaths[i], "bak", out));
        benchmark::ClobberMemory();
        i = i + 1 == kCount ? 0 : i + 1;
    }
}

void Ours_GetDirOf(benchmark::State &state)
{
    char out[BRENVIK_MAX_PATH];
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CDriveEx::GetDirOf(kPaths[i], out));
        benchmark::ClobberMemory();
        i = i + 1 == kCount ? 0 : i + 1;
    }
}

// ---- std::filesystem::path --------------------------------------------------

void Std_MySplitPath(benchmark::State &state)
{
    const auto &paths = In().slashed;
    std::size_t i = 0;
    for (auto _ : state) {
        const fs::path p(paths[i]);
        auto parent = p.parent_path();
        auto stem = p.stem();
        auto ext = p.extension();
        benchmark::DoNotOptimize(parent);
        benchmark::DoNotOptimize(stem);
        benchmark::DoNotOptimize(ext);
        i = i + 1 == kCount ? 0 : i + 1;
    }
}

void StdCompose(benchmark::State &state, bool unc)
{
    std::vector<const Pieces *> chosen;
    for (const Pieces &p : In().pieces)
        if (p.unc == unc)
            chosen.push_back(&p);
    std::size_t i = 0;
    for (auto _ : state) {
        const Pieces &p = *chosen[i];
        fs::path r = fs::path(p.root) / p.dir / p.title;
        r += p.ext;
        benchmark::DoNotOptimize(r);
        i = i + 1 == chosen.size() ? 0 : i + 1;
    }
}
void Std_ComposeDrvPath(benchmark::State &state) { StdCompose(state, false); }
void Std_ComposeUNC(benchmark::State &state) { StdCompose(state, true); }

void Std_ChkFullPath_s(benchmark::State &state)
{
    const auto &paths = In().slashed;
    std::size_t i = 0;
    for (auto _ : state) {
        const fs::path p(paths[i]);
        auto parent = p.parent_path();
        auto name = p.filename();
        auto ext = p.extension();
        benchmark::DoNotOptimize(parent);
        benchmark::DoNotOptimize(name);
        benchmark::DoNotOptimize(ext);
        i = i + 1 == kCount ? 0 : i + 1;
    }
}

void Std_ChgPathExt(benchmark::State &state)
{
    const auto &paths = In().slashed;
    std::size_t i = 0;
    for (auto _ : state) {
        const fs::path p(paths[i]);
        fs::path r = p.parent_path() / p.stem();
        r += ".bak";
        benchmark::DoNotOptimize(r);
        i = i + 1 == kCount ? 0 : i + 1;
    }
}

void Std_GetDirOf(benchmark::State &state)
{
    const auto &paths = In().slashed;
    std::size_t i = 0;
    for (auto _ : state) {
        const fs::path p(paths[i]);
        auto parent = p.parent_path();
        benchmark::DoNotOptimize(parent);
        i = i + 1 == kCount ? 0 : i + 1;
    }
}

const char *const kOperations[] = {"MySplitPath",   "ComposeDrvPath", "ComposeUNC",
                                   "ChkFullPath_s", "ChgPathExt",     "GetDirOf"};

// Keeps each benchmark's CPU time per call: the median when repetitions
// were asked for, else the one run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run> &reports) override
    {
        for (const Run &run : reports) {
            const std::string name = run.run_name.function_name;
            const double ns = run.GetAdjustedCPUTime() * NsPer(run.time_unit);
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median")
                    median_[name] = ns;
            } else {
                single_[name] = ns;
            }
        }
        ConsoleReporter::ReportRuns(reports);
    }

    void PrintSummary() const
    {
        std::printf("\nCPU time per call (medians when repeated)\n");
        std::printf("%-16s %12s %12s %8s\n", "operation", "ours ns", "std ns", "ratio");
        for (const char *op : kOperations) {
            const double ours = Get(std::string("Ours_") + op);
            const double base = Get(std::string("Std_") + op);
            if (ours < 0 || base <= 0)
                continue;
            const double ratio = ours / base;
            std::printf("%-16s %12.1f %12.1f %8.3f  %s\n", op, ours, base, ratio,
                        ratio <= 0.5 ? "ok" : "ABOVE 0.5");
        }
    }

private:
    static double NsPer(benchmark::TimeUnit unit)
    {
        switch (unit) {
        case benchmark::kSecond: return 1e9;
        case benchmark::kMillisecond: return 1e6;
        case benchmark::kMicrosecond: return 1e3;
        default: return 1.0;
        }
    }
    double Get(const std::string &name) const
    {
        auto m = median_.find(name);
        if (m != median_.end())
            return m->second;
        auto s = single_.find(name);
        return s != single_.end() ? s->second : -1.0;
    }
    std::map<std::string, double> median_;
    std::map<std::string, double> single_;
};

}  // namespace

BENCHMARK(Ours_MySplitPath);
BENCHMARK(Std_MySplitPath);
BENCHMARK(Ours_ComposeDrvPath);
BENCHMARK(Std_ComposeDrvPath);
BENCHMARK(Ours_ComposeUNC);
BENCHMARK(Std_ComposeUNC);
BENCHMARK(Ours_ChkFullPath_s);
BENCHMARK(Std_ChkFullPath_s);
BENCHMARK(Ours_ChgPathExt);
BENCHMARK(Std_ChgPathExt);
BENCHMARK(Ours_GetDirOf);
BENCHMARK(Std_GetDirOf);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
