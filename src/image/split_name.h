// An image or bundle name cut into the runtime's four components.
#ifndef BRENVIK_IMAGE_SPLIT_NAME_H
#define BRENVIK_IMAGE_SPLIT_NAME_H

#include "platform/crt/crt.h"

namespace brenvik {
namespace image {

struct SplitName {
    char drive[crt::kMaxDrive];
    char dir[crt::kMaxDir];
    char title[crt::kMaxFname];
    char ext[crt::kMaxExt];
};

// A name whose pieces do not fit the runtime's component buffers cannot be a
// name of ours; every caller refuses it as it refuses a bad name.
inline bool Split(const char *path, SplitName &out)
{
    return crt::_splitpath_s(path, out.drive, sizeof out.drive, out.dir, sizeof out.dir,
                             out.title, sizeof out.title, out.ext, sizeof out.ext) == 0;
}

}  // namespace image
}  // namespace brenvik

#endif  // BRENVIK_IMAGE_SPLIT_NAME_H
