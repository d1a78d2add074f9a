// Bundle member lists through the library, shared by the bundle commands and
// the scan.
#ifndef BRENVIK_TOOLS_BRENVIK_MEMBERS_H
#define BRENVIK_TOOLS_BRENVIK_MEMBERS_H

#include <string>
#include <vector>

namespace brenvik {
namespace tool {

struct MemberList {
    std::string dir;                 // the bundle directory (Windows form)
    std::vector<std::string> names;  // member 00 first (Windows form)
};

// The member list of the bundle whose master is master (any bundle kind, or
// only DVD bundles). False when the library refuses it.
bool ListMembers(const std::string &master, bool dvdOnly, MemberList *list);

// The master of the bundle a member name T.xxx.Dnn belongs to: T.xxx.D00.
std::string MasterOf(const std::string &member);

// The master of a bundle member other than the master (T.xxx.Dnn, nn not
// 00); "" for any other name.
std::string SlaveMasterOf(const std::string &name);

}  // namespace tool
}  // namespace brenvik

#endif  // BRENVIK_TOOLS_BRENVIK_MEMBERS_H
