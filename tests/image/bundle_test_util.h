// Names, header specs and expected trace lines shared by the bundle tests.
#ifndef BRENVIK_TESTS_IMAGE_BUNDLE_TEST_UTIL_H
#define BRENVIK_TESTS_IMAGE_BUNDLE_TEST_UTIL_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image_writer.h"

namespace bundletest {

namespace mk = brenvik::mkimage;

inline mk::ImageSpec Dvd(std::uint32_t slaves)
{
    mk::ImageSpec spec;
    spec.mediaFormat = mk::kFormatDvd;
    spec.slaveCount = slaves;
    return spec;
}

inline mk::ImageSpec Kind(std::uint32_t discKind, std::uint32_t slaves)
{
    mk::ImageSpec spec;
    spec.discKind = discKind;
    spec.slaveCount = slaves;
    return spec;
}

// prefix + two digits, as a bundle member is named.
inline std::string Member(const std::string &prefix, int number)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d", number);
    return prefix + digits;
}

// The trace lines of the name list.
inline std::string ListFirst(const std::string &name)
{
    return "CVcdImageEx::Get_VCDCluster_AllNamelist_internal (DEL) strClusterMaterFile<" + name +
           "> \n";
}
inline std::string ListBadNull(const std::string &what)
{
    return "CVcdImageEx::Get_VCDCluster_AllNamelist_internal BAD NULL ..." + what + " \n";
}
inline std::string ListDir(const std::string &dir)
{
    return "CVcdImageEx:: (DEL) DVD cluster dir<" + dir + "> \n";
}
inline std::string ListSlave(const std::string &name)
{
    return "CVcdImageEx:: (DEL) Slave<" + name + ">\n";
}
inline std::string ListTotal(int total)
{
    return "CVcdImageEx:: (DEL) total<" + std::to_string(total) + "> OK ] \n";
}

// Every line of a successful list of members 00 to total - 1 of prefix.
inline std::vector<std::string> ListLines(const std::string &name, const std::string &dir,
                                          const std::string &prefix, int total)
{
    std::vector<std::string> lines = {ListFirst(name), ListDir(dir)};
    for (int k = 1; k < total; ++k)
        lines.push_back(ListSlave(Member(prefix, k)));
    lines.push_back(ListTotal(total));
    return lines;
}

// The trace lines of the deletion by name.
inline std::string BlindFirst(const std::string &name)
{
    return "CVcdImageEx::Del_ClusterBundle_Without_Verify strClusterMasterFile<" + name + "> [ \n";
}
inline std::string BlindBadName(const std::string &name)
{
    return "CVcdImageEx::Del_ClusterBundle_Without_Verify BAD mater name strClusterMasterFile<" +
           name + "> ] \n";
}
inline std::string BlindPrefix(const std::string &prefix)
{
    return "CVcdImageEx::Del_ClusterBundle_Without_Verify strDvdPathPrefix<" + prefix + "> \n";
}
inline std::string BlindNext(const std::string &name)
{
    return "CVcdImageEx::Del_ClusterBundle_Without_Verify (DERLDEL) csNext<" + name + "> \n";
}
inline std::string BlindDirFailed(const std::string &dir, unsigned long err)
{
    return "CVcdImageEx::Del_ClusterBundle_Without_Verify (DERLDEL) failed to del strDvdDir<" +
           dir + "> err:" + std::to_string(err) + " \n";
}

// Every line of an accepted deletion by name, without a directory failure.
inline std::vector<std::string> BlindLines(const std::string &name, const std::string &prefix)
{
    std::vector<std::string> lines = {BlindFirst(name), BlindPrefix(prefix)};
    for (int k = 0; k < 100; ++k)
        lines.push_back(BlindNext(Member(prefix, k)));
    return lines;
}

}  // namespace bundletest

#endif  // BRENVIK_TESTS_IMAGE_BUNDLE_TEST_UTIL_H
