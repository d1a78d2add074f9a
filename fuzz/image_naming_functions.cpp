// The image naming functions under arbitrary bytes, with checks of what must
// hold whatever the input: outputs filled on success are terminated within
// 260 bytes and fit together as the naming scheme says, refusals leave
// untouched what they must, and a name given in an output buffer gives the
// same result as one given apart.
//
// The names sort after those of the path model, so that a selector byte of
// the path corpus keeps picking the function it was made for.
#include <brenvik/brenvik.h>

#include <cstring>
#include <string>

#include "fuzz_support.h"

namespace {

using brenvik::fuzz::CheckTerminated;
using brenvik::fuzz::Fail;
using brenvik::fuzz::FuzzFunction;
using brenvik::fuzz::FuzzInput;

constexpr std::size_t kMax = BRENVIK_MAX_PATH;

// The marker the frame fills output buffers with.
bool Untouched(const char *buffer)
{
    for (std::size_t i = 0; i < kMax; ++i)
        if (static_cast<unsigned char>(buffer[i]) != 0xA5)
            return false;
    return true;
}

bool EndsWith(const std::string &s, const char *tail)
{
    const std::size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// A copy of s in out when it fits, for the runs with the name in an output.
bool CopyInto(char *out, const char *s)
{
    const std::size_t n = strnlen(s, kMax);
    if (n >= kMax)
        return false;
    std::memcpy(out, s, n + 1);
    return true;
}

void ExtClass(FuzzInput &in)
{
    const char *path = in.Str(0);
    const int type = CVcdImageEx::GetPathExtType(path);
    if (type < EXTTYPE_NONE || type > EXTTYPE_MIXEDMODE)
        Fail("extension class out of range");
    if (CVcdImageEx::IsVCDext(path) != (type == EXTTYPE_VCD) ||
        CVcdImageEx::IsDVDext(path) != (type == EXTTYPE_DVD) ||
        CVcdImageEx::Is_MixedModeCD_ext(path) != (type == EXTTYPE_MIXEDMODE) ||
        CVcdImageEx::Is_Cluster_ext(path) != (type == EXTTYPE_DVD || type == EXTTYPE_MIXEDMODE))
        Fail("a predicate disagrees with the extension class");
    if (type == EXTTYPE_DVD || type == EXTTYPE_MIXEDMODE) {
        // A member name ends in ".Dnn".
        const std::size_t n = std::strlen(path);
        if (n < 5 || !CVcdImageEx::IsExt_dot_D_09_09(path + n - 4))
            Fail("a member name without a member extension");
    }
}

void MemberExt(FuzzInput &in)
{
    const char *ext = in.Str(0);
    if (CVcdImageEx::IsExt_dot_D_09_09(ext) && std::strlen(ext) != 4)
        Fail("member extension not of 4 characters");
    if (CVcdImageEx::IsMyExt_VCD_dot_D_09_09(ext) &&
        (std::strlen(ext) != 8 || !CVcdImageEx::IsExt_dot_D_09_09(ext + 4)))
        Fail("double extension without a member extension");
}

void Master(FuzzInput &in)
{
    const char *master = in.Str(0);
    char *dir = in.Int(0) ? nullptr : in.Out();
    char *prefix = in.Int(1) ? nullptr : in.Out();
    const int result = CVcdImageEx::ParseMaster(master, dir, prefix);
    if (!result) {
        if ((dir && !Untouched(dir)) || (prefix && !Untouched(prefix)))
            Fail("a refused master wrote an output");
        return;
    }
    CheckTerminated(dir, "master dir");
    CheckTerminated(prefix, "master prefix");
    const std::string m(master);
    if (std::string(prefix) != m.substr(0, m.size() - 2) || !EndsWith(m, "00"))
        Fail("prefix is not the master without its digits");
    if (CVcdImageEx::GetPathExtType(master) == EXTTYPE_NONE)
        Fail("a master with no cluster extension class");

    // The master given in either output buffer.
    for (int which = 0; which < 2; ++which) {
        char *d = in.Out();
        char *p = in.Out();
        if (!CopyInto(which == 0 ? d : p, master))
            return;
        if (CVcdImageEx::ParseMaster(which == 0 ? d : p, d, p) != 1 ||
            std::strcmp(d, dir) != 0 || std::strcmp(p, prefix) != 0)
            Fail("master given in an output buffer differs");
    }
}

void DvdNames(FuzzInput &in)
{
    const char *name = in.Str(0);
    char *dir = in.Int(0) ? nullptr : in.Out();
    char *prefix = in.Int(1) ? nullptr : in.Out();
    char *master = in.Int(2) ? nullptr : in.Out();
    const int result = CVcdImageEx::Vcd2Dvd_ext(name, dir, prefix, master);
    if (!result) {
        // The outputs are written in order, and the last only on success.
        if (master && !Untouched(master))
            Fail("a refused name wrote the master");
        if (dir && prefix && !Untouched(prefix) && Untouched(dir))
            Fail("prefix written before the directory");
        if (dir && !Untouched(dir))
            CheckTerminated(dir, "dvd dir of a refusal");
        if (prefix && !Untouched(prefix))
            CheckTerminated(prefix, "dvd prefix of a refusal");
        return;
    }
    CheckTerminated(dir, "dvd dir");
    CheckTerminated(prefix, "dvd prefix");
    CheckTerminated(master, "dvd master");
    const std::string d(dir), p(prefix), m(master);
    if (!EndsWith(d, ".DVD\\") || p.compare(0, d.size(), d) != 0 || !EndsWith(p, ".DVD.D") ||
        m != p + "00")
        Fail("bundle names do not fit together");

    for (int which = 0; which < 3; ++which) {
        char *out[3] = {in.Out(), in.Out(), in.Out()};
        if (!CopyInto(out[which], name))
            return;
        if (CVcdImageEx::Vcd2Dvd_ext(out[which], out[0], out[1], out[2]) != 1 ||
            d != out[0] || p != out[1] || m != out[2])
            Fail("name given in an output buffer differs");
    }
}

const FuzzFunction kImageNamingFunctions[] = {
    {"vcdname.ExtClass", ExtClass},
    {"vcdname.MemberExt", MemberExt},
    {"vcdname.ParseMaster", Master},
    {"vcdname.Vcd2Dvd_ext", DvdNames},
};

}  // namespace

BRENVIK_FUZZ_TABLE(kImageNamingFunctions);
