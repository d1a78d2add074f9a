// Image file names: extension classes, bundle directory and member prefix of
// a master, and the DVD bundle names for any image. Pure string work: no file
// is touched and nothing is allocated.
#include <brenvik/brenvik.h>

#include <cstddef>
#include <cstring>

#include "frame/trace.h"
#include "image/split_name.h"
#include "platform/crt/crt.h"

namespace {

namespace crt = brenvik::crt;

constexpr std::size_t kPathBuffer = BRENVIK_MAX_PATH;

using brenvik::image::Split;
using brenvik::image::SplitName;

// The title and extension of a title taken as a name of its own.
bool SplitTitle(const char *title, char (&inner)[crt::kMaxFname],
                char (&innerExt)[crt::kMaxExt])
{
    return crt::_splitpath_s(title, nullptr, 0, nullptr, 0, inner, sizeof inner, innerExt,
                             sizeof innerExt) == 0;
}

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// Appends src to dst (holding len characters) within a buffer of size bytes.
bool Append(char *dst, std::size_t size, std::size_t &len, const char *src)
{
    const std::size_t n = std::strlen(src);
    if (len + n >= size)
        return false;
    std::memcpy(dst + len, src, n + 1);
    len += n;
    return true;
}

}  // namespace

int CVcdImageEx::IsExt_dot_D_09_09(const char *strExt)
{
    // Short-circuit order keeps every read inside the string.
    if (strExt == nullptr)
        return 0;
    return (strExt[0] == '.' && (strExt[1] == 'D' || strExt[1] == 'd') &&
            IsAsciiDigit(strExt[2]) && IsAsciiDigit(strExt[3]) && strExt[4] == '\0')
               ? 1
               : 0;
}

int CVcdImageEx::IsMyExt_VCD_dot_D_09_09(const char *strExt)
{
    if (strExt == nullptr)
        return 0;
    std::size_t len = 0;
    while (len < 9 && strExt[len] != '\0')
        ++len;
    if (len != 8)
        return 0;
    if (crt::_strnicmp(strExt, ".VCD", 4) != 0 && crt::_strnicmp(strExt, ".DVD", 4) != 0)
        return 0;
    return (strExt[4] == '.' && (strExt[5] == 'D' || strExt[5] == 'd') &&
            IsAsciiDigit(strExt[6]) && IsAsciiDigit(strExt[7]))
               ? 1
               : 0;
}

int CVcdImageEx::GetPathExtType(const char *strPath)
{
    if (strPath == nullptr || strPath[0] == '\0') {
        DBG_TRACE("CVcdImageEx::GetPathExtType BAD NULL ...strPath \n");
        return EXTTYPE_NONE;
    }
    SplitName name;
    if (!Split(strPath, name) || name.title[0] == '\0')
        return EXTTYPE_NONE;
    if (crt::_stricmp(name.ext, ".VCD") == 0)
        return EXTTYPE_VCD;
    if (!IsExt_dot_D_09_09(name.ext))
        return EXTTYPE_NONE;
    char inner[crt::kMaxFname];
    char innerExt[crt::kMaxExt];
    if (!SplitTitle(name.title, inner, innerExt) || inner[0] == '\0')
        return EXTTYPE_NONE;
    if (crt::_stricmp(innerExt, ".DVD") == 0)
        return EXTTYPE_DVD;
    if (crt::_stricmp(innerExt, ".VCD") == 0)
        return EXTTYPE_MIXEDMODE;
    return EXTTYPE_NONE;
}

int CVcdImageEx::IsVCDext(const char *strPath)
{
    return GetPathExtType(strPath) == EXTTYPE_VCD ? 1 : 0;
}

int CVcdImageEx::IsDVDext(const char *strPath)
{
    return GetPathExtType(strPath) == EXTTYPE_DVD ? 1 : 0;
}

int CVcdImageEx::Is_MixedModeCD_ext(const char *strPath)
{
    return GetPathExtType(strPath) == EXTTYPE_MIXEDMODE ? 1 : 0;
}

int CVcdImageEx::Is_Cluster_ext(const char *strPath)
{
    if (IsDVDext(strPath))
        return 1;
    return Is_MixedModeCD_ext(strPath);
}

int CVcdImageEx::ParseMaster(const char *strMaster, char *strDvdDir_MAXPATH,
                             char *strDvdPathPre_MAXPATH)
{
    if (strMaster == nullptr || strMaster[0] == '\0') {
        DBG_TRACE("CVcdImageEx::ParseMaster BAD NULL ...strMaster \n");
        return 0;
    }
    if (strDvdDir_MAXPATH == nullptr) {
        DBG_TRACE("CVcdImageEx::ParseMaster BAD NULL ...strDvdDir_MAXPATH \n");
        return 0;
    }
    if (strDvdPathPre_MAXPATH == nullptr) {
        DBG_TRACE("CVcdImageEx::ParseMaster BAD NULL ...strDvdPathPre_MAXPATH \n");
        return 0;
    }
    SplitName name;
    if (!Split(strMaster, name) || name.title[0] == '\0')
        return 0;
    // A master straight in a root directory, or without any directory, is
    // not one of a bundle's.
    if (std::strlen(name.dir) <= 1)
        return 0;
    if (crt::_stricmp(name.ext, ".D00") != 0)
        return 0;
    char inner[crt::kMaxFname];
    char innerExt[crt::kMaxExt];
    if (!SplitTitle(name.title, inner, innerExt) || inner[0] == '\0')
        return 0;
    if (crt::_stricmp(innerExt, ".DVD") != 0 && crt::_stricmp(innerExt, ".VCD") != 0)
        return 0;

    // Both results are made before either output is written, so that a
    // refusal leaves the caller's buffers as they were, and a master given
    // in one of the output buffers is read whole before it is overwritten.
    char dir[kPathBuffer];
    if (crt::_makepath_s(dir, sizeof dir, name.drive, name.dir, nullptr, nullptr) != 0)
        return 0;
    // The name ends in the two digits of ".D00"; the prefix keeps the rest.
    const std::size_t prefixLength = std::strlen(strMaster) - 2;
    if (prefixLength >= kPathBuffer)
        return 0;
    char prefix[kPathBuffer];
    std::memcpy(prefix, strMaster, prefixLength);
    prefix[prefixLength] = '\0';
    std::memcpy(strDvdDir_MAXPATH, dir, std::strlen(dir) + 1);
    std::memcpy(strDvdPathPre_MAXPATH, prefix, prefixLength + 1);
    return 1;
}

int CVcdImageEx::Vcd2Dvd_ext(const char *strMaster, char *strDvdDir_MAXPATH,
                             char *strDvdPathPre_MAXPATH, char *strDvdMaster_MAXPATH)
{
    if (strMaster == nullptr || strMaster[0] == '\0') {
        DBG_TRACE("CVcdImageEx::Vcd2Dvd_ext BAD NULL ...strMaster \n");
        return 0;
    }
    if (strDvdDir_MAXPATH == nullptr) {
        DBG_TRACE("CVcdImageEx::Vcd2Dvd_ext BAD NULL ...strDvdDir_MAXPATH \n");
        return 0;
    }
    if (strDvdPathPre_MAXPATH == nullptr) {
        DBG_TRACE("CVcdImageEx::Vcd2Dvd_ext BAD NULL ...strDvdPathPre_MAXPATH \n");
        return 0;
    }
    if (strDvdMaster_MAXPATH == nullptr) {
        DBG_TRACE("CVcdImageEx::Vcd2Dvd_ext BAD NULL ...strDvdMaster_MAXPATH \n");
        return 0;
    }
    SplitName name;
    if (!Split(strMaster, name) || name.title[0] == '\0')
        return 0;
    // An image extension goes, and with it one more extension of any kind
    // (Movie.VCD.D03 and My.Movie.vcd lose two, Movie.iso loses one).
    if (crt::_stricmp(name.ext, ".vcd") == 0 || crt::_stricmp(name.ext, ".dvd") == 0 ||
        IsExt_dot_D_09_09(name.ext))
        name.ext[0] = '\0';
    char rest[kPathBuffer];
    if (crt::_makepath_s(rest, sizeof rest, name.drive, name.dir, name.title, name.ext) != 0)
        return 0;
    SplitName bundle;
    if (!Split(rest, bundle) || bundle.title[0] == '\0')
        return 0;
    const char *title = bundle.title;
    const std::size_t titleLength = std::strlen(title);

    // Room for ".DVD" and the closing backslash.
    if (std::strlen(bundle.drive) + std::strlen(bundle.dir) + titleLength + 5 >= kPathBuffer)
        return 0;
    char dir[kPathBuffer];
    if (crt::_makepath_s(dir, sizeof dir, bundle.drive, bundle.dir, title, ".DVD") != 0)
        return 0;
    std::size_t dirLength = std::strlen(dir);
    if (!Append(dir, sizeof dir, dirLength, "\\"))
        return 0;
    std::memcpy(strDvdDir_MAXPATH, dir, dirLength + 1);

    // Room for the member prefix: directory, title and ".DVD.D".
    if (dirLength + titleLength + 6 >= kPathBuffer)
        return 0;
    char prefix[kPathBuffer];
    std::size_t prefixLength = 0;
    prefix[0] = '\0';
    if (!Append(prefix, sizeof prefix, prefixLength, dir) ||
        !Append(prefix, sizeof prefix, prefixLength, title) ||
        !Append(prefix, sizeof prefix, prefixLength, ".DVD.D"))
        return 0;
    std::memcpy(strDvdPathPre_MAXPATH, prefix, prefixLength + 1);

    // Room for the member number 00.
    if (prefixLength + 2 >= kPathBuffer)
        return 0;
    std::memcpy(strDvdMaster_MAXPATH, prefix, prefixLength);
    std::memcpy(strDvdMaster_MAXPATH + prefixLength, "00", 3);
    return 1;
}
