// Split image bundles: the member list of a cluster image, the completeness
// check of a split DVD, and deleting a bundle after reading its header or by
// name alone.
//
// Member names are always built from the name given, as directory + title +
// ".D" + exactly two digits, so nothing but 00 to 99 of that one title can be
// named, whatever the file system folds. A member name that would not fit a
// 260-byte path is refused, never cut: a cut name would name another file.
#include <brenvik/brenvik.h>

#include <cstddef>
#include <cstring>

#include "frame/trace.h"
#include "image/image_header.h"
#include "image/split_name.h"
#include "platform/afx/afx.h"
#include "platform/crt/crt.h"
#include "platform/services.h"

namespace {

namespace crt = brenvik::crt;

constexpr std::size_t kPath = BRENVIK_MAX_PATH;

// Member numbers have two digits: 00 is the master, 01 to 99 the slaves. A
// header that counts more slaves than that is refused by the name list and
// by the completeness check alike (not cut at 99): such a header does not
// describe a bundle of ours, and refusing keeps every list within 100
// entries and keeps the check from running through a huge count.
constexpr int kMaxSlaves = 99;
constexpr int kMaxMembers = kMaxSlaves + 1;

bool IsNullOrEmpty(const char *s) { return s == nullptr || s[0] == '\0'; }

using brenvik::image::Split;
using brenvik::image::SplitName;

// "%s%s.D%02d": member `number` of the bundle with directory `dir` (ending
// in a separator, or empty) and title `title`. False when it does not fit.
bool FormatMember(char (&out)[kPath], const char *dir, const char *title, int number)
{
    return crt::Format(out, sizeof out, "%s%s.D%02d", dir, title, number) < sizeof out;
}

void CopyPath(char *dst, const char *src) { std::memcpy(dst, src, std::strlen(src) + 1); }

}  // namespace

int CVcdImageEx::Get_VCDCluster_AllNamelist_internal(const char *strClusterMaterFile,
                                                     int bDvdOnly, char (*const pNamelist)[260],
                                                     char *strDvdDir, int *pCount)
{
    // Traced before any check: a null name shows as "(null)", which is how
    // the formatter prints a null string.
    DBG_TRACE("CVcdImageEx::Get_VCDCluster_AllNamelist_internal (DEL) strClusterMaterFile<%s> \n",
              strClusterMaterFile);
    if (IsNullOrEmpty(strClusterMaterFile)) {
        DBG_TRACE("CVcdImageEx::Get_VCDCluster_AllNamelist_internal BAD NULL "
                  "...strClusterMaterFile \n");
        return 0;
    }
    if (pNamelist == nullptr) {
        DBG_TRACE("CVcdImageEx::Get_VCDCluster_AllNamelist_internal BAD NULL ...pNamelist \n");
        return 0;
    }
    if (strDvdDir == nullptr) {
        DBG_TRACE("CVcdImageEx::Get_VCDCluster_AllNamelist_internal BAD NULL ...strDvdDir \n");
        return 0;
    }
    if (!Is_Cluster(strClusterMaterFile))
        return 0;
    const bool dvd = Is_DVD(strClusterMaterFile) == 1;
    if (bDvdOnly && !dvd)
        return 0;

    // Everything is taken from the name before any output is written, so
    // that outputs which share storage with the name cannot change it.
    SplitName name;
    if (!Split(strClusterMaterFile, name) || name.title[0] == '\0' || name.ext[0] == '\0')
        return 0;
    char dir[kPath];
    if (crt::_makepath_s(dir, sizeof dir, name.drive, name.dir, nullptr, nullptr) != 0)
        return 0;
    CopyPath(strDvdDir, dir);
    DBG_TRACE("CVcdImageEx:: (DEL) DVD cluster dir<%s> \n", dir);

    // Every member name has the length of member 00, so if it fits they all do.
    char member[kPath];
    if (!FormatMember(member, dir, name.title, 0))
        return 0;
    CopyPath(pNamelist[0], member);

    int slaves = 1;
    if (dvd) {
        VCDHEADER_tag header;
        if (!ReadImageHeader(CString(member), &header))
            return 0;
        // A signed count, as the header's users take it: zero or less means
        // no slaves.
        slaves = static_cast<int>(brenvik::image::SlaveCount(header));
        if (slaves > kMaxSlaves)
            return 0;
    }
    for (int k = 1; k <= slaves; ++k) {
        if (!FormatMember(member, dir, name.title, k))
            return 0;
        DBG_TRACE("CVcdImageEx:: (DEL) Slave<%s>\n", member);
        CopyPath(pNamelist[k], member);
    }

    const int total = slaves > 0 ? slaves + 1 : 1;
    if (pCount != nullptr)
        *pCount = total;
    DBG_TRACE("CVcdImageEx:: (DEL) total<%d> OK ] \n", total);
    return 1;
}

// The caller's list must have room for every member: at most 100 entries,
// since a header counting more than 99 slaves is refused.
int CVcdImageEx::Get_DVD_AllNamelist(const char *strClusterMaterFile,
                                     char (*const pNamelist)[260], char *strDvdDir, int *pCount)
{
    return Get_VCDCluster_AllNamelist_internal(strClusterMaterFile, 1, pNamelist, strDvdDir,
                                               pCount);
}

// As Get_DVD_AllNamelist, for every cluster kind; the list is bounded at 100
// entries too.
int CVcdImageEx::Get_Cluster_AllNamelist(const char *strClusterMaterFile,
                                         char (*const pNamelist)[260], char *strDvdDir,
                                         int *pCount)
{
    return Get_VCDCluster_AllNamelist_internal(strClusterMaterFile, 0, pNamelist, strDvdDir,
                                               pCount);
}

int CVcdImageEx::IsValidDvdBundle(const char *strPath, char *strDVDMasterFile_MAXPATH)
{
    if (IsNullOrEmpty(strPath)) {
        DBG_TRACE("CVcdImageEx::IsValidDvdBundle BAD NULL ...strPath \n");
        return 0;
    }
    if (strDVDMasterFile_MAXPATH == nullptr) {
        DBG_TRACE("CVcdImageEx::IsValidDvdBundle BAD NULL ...strDVDMasterFile_MAXPATH \n");
        return 0;
    }
    if (IsDVDext(strPath) != 1)
        return 0;
    SplitName name;
    if (!Split(strPath, name))
        return 0;
    char master[kPath];
    if (crt::_makepath_s(master, sizeof master, name.drive, name.dir, name.title, ".D00") != 0)
        return 0;
    if (!CDriveEx::IsFile(master, nullptr))
        return 0;
    VCDHEADER_tag header;
    if (!ReadImageHeader(CString(master), &header))
        return 0;
    // Unsigned here: a count above 99 (a "negative" one included) is refused
    // rather than followed.
    const unsigned long slaves = brenvik::image::SlaveCount(header);
    if (slaves > static_cast<unsigned long>(kMaxSlaves))
        return 0;

    // The name ends in ".D00"; only its two digits change.
    const std::size_t len = std::strlen(master);
    char *const digits = master + len - 2;
    for (unsigned long k = 1; k <= slaves; ++k) {
        digits[0] = static_cast<char>('0' + k / 10);
        digits[1] = static_cast<char>('0' + k % 10);
        if (!CDriveEx::IsFile(master, nullptr))
            return 0;
    }
    digits[0] = '0';
    digits[1] = '0';
    CopyPath(strDVDMasterFile_MAXPATH, master);
    return 1;
}

unsigned long CVcdImageEx::DelClusterBundle(const char *strDvdMaster)
{
    if (IsNullOrEmpty(strDvdMaster)) {
        DBG_TRACE("CVcdImageEx::DelClusterBundle BAD NULL ...strDvdMaster \n");
        return DELBUNDLE_OK;
    }
    if (!Is_Cluster(strDvdMaster))
        return DELBUNDLE_NOT_CLUSTER;

    char members[kMaxMembers][kPath];
    char dir[kPath];
    int total = 0;
    if (!Get_Cluster_AllNamelist(strDvdMaster, members, dir, &total))
        return DELBUNDLE_NO_NAMELIST;

    // Every member is tried, whatever happened to the ones before.
    unsigned long result = DELBUNDLE_OK;
    for (int k = 0; k < total; ++k) {
        if (!CDriveEx::MyDelFile(members[k]))
            result = DELBUNDLE_MEMBER_FAILED;
    }
    if (result == DELBUNDLE_OK && dir[0] != '\0' &&
        !brenvik::platform::sys().RemoveDirectoryA(dir))
        result = DELBUNDLE_DIR_FAILED;
    return result;
}

int CVcdImageEx::Del_ClusterBundle_Without_Verify(const char *strClusterMasterFile,
                                                  int bRemoveDir)
{
    if (IsNullOrEmpty(strClusterMasterFile)) {
        DBG_TRACE("CVcdImageEx::Del_ClusterBundle_Without_Verify BAD NULL "
                  "...strClusterMasterFile \n");
        return 0;
    }
    DBG_TRACE("CVcdImageEx::Del_ClusterBundle_Without_Verify strClusterMasterFile<%s> [ \n",
              strClusterMasterFile);
    char dir[kPath];
    char prefix[kPath];
    // A prefix whose numbered names would not fit 260 bytes is refused like
    // any other bad master name.
    if (!ParseMaster(strClusterMasterFile, dir, prefix) || std::strlen(prefix) + 2 >= kPath) {
        DBG_TRACE("CVcdImageEx::Del_ClusterBundle_Without_Verify BAD mater name "
                  "strClusterMasterFile<%s> ] \n",
                  strClusterMasterFile);
        return 0;
    }
    DBG_TRACE("CVcdImageEx::Del_ClusterBundle_Without_Verify strDvdPathPrefix<%s> \n", prefix);

    char next[kPath];
    for (int k = 0; k < kMaxMembers; ++k) {
        crt::Format(next, sizeof next, "%s%02d", prefix, k);
        DBG_TRACE("CVcdImageEx::Del_ClusterBundle_Without_Verify (DERLDEL) csNext<%s> \n", next);
        CDriveEx::MyDelFile(next);
    }
    if (bRemoveDir) {
        auto &s = brenvik::platform::sys();
        if (!s.RemoveDirectoryA(dir)) {
            const DWORD err = s.GetLastError();
            DBG_TRACE("CVcdImageEx::Del_ClusterBundle_Without_Verify (DERLDEL) failed to del "
                      "strDvdDir<%s> err:%d \n",
                      dir, static_cast<int>(err));
        }
    }
    return 1;
}
