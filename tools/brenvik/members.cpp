#include "members.h"

#include <brenvik/brenvik.h>

#include <memory>

namespace brenvik {
namespace tool {

namespace {
// Member numbers have two digits: a list never holds more.
constexpr int kMaxMembers = 100;
}  // namespace

bool ListMembers(const std::string &master, bool dvdOnly, MemberList *list)
{
    auto names = std::make_unique<char[][BRENVIK_MAX_PATH]>(kMaxMembers);
    char dir[BRENVIK_MAX_PATH] = "";
    int count = 0;
    const int ok =
        dvdOnly ? CVcdImageEx::Get_DVD_AllNamelist(master.c_str(), names.get(), dir, &count)
                : CVcdImageEx::Get_Cluster_AllNamelist(master.c_str(), names.get(), dir, &count);
    if (!ok || count < 1 || count > kMaxMembers)
        return false;
    list->dir = dir;
    list->names.clear();
    for (int k = 0; k < count; ++k)
        list->names.emplace_back(names[k]);
    return true;
}

std::string MasterOf(const std::string &member)
{
    // ".Dnn" is the last four characters of every member name.
    if (member.size() < 4)
        return member;
    return member.substr(0, member.size() - 4) + ".D00";
}

std::string SlaveMasterOf(const std::string &name)
{
    if (!CVcdImageEx::Is_Cluster_ext(name.c_str()) || name.compare(name.size() - 2, 2, "00") == 0)
        return "";
    return MasterOf(name);
}

}  // namespace tool
}  // namespace brenvik
