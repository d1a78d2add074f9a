// Windows share modes between every opener that uses this library, in this
// process or another, with open-file-description locks on reserved bytes
// far beyond any real file data.
//
// An opener takes a shared lock on one byte per access kind it holds and one
// per kind it does not share. Two opens are compatible when neither holds a
// kind the other does not share; a write-lock probe on a byte finds whether
// any other open file description holds it. The locks are taken before the
// probe, so two openers that race both see each other and both fail rather
// than both succeed.
//
// Limits: an opener whose file cannot be opened for reading (a write-only
// file, for an unprivileged user) and file systems without such locks do
// not take part.
#ifndef BRENVIK_PLATFORM_POSIX_SHARE_LOCK_H
#define BRENVIK_PLATFORM_POSIX_SHARE_LOCK_H

#include "platform/win32_types.h"

namespace brenvik {
namespace platform {
namespace posix {

// Access kinds, with the bit values of FILE_SHARE_READ/WRITE/DELETE.
enum ShareKind : unsigned {
    kShareRead = 1u,
    kShareWrite = 2u,
    kShareDelete = 4u,
};

// Takes the locks of an opener of fd that holds access (ShareKind bits) and
// shares share. Returns 0, or ERROR_SHARING_VIOLATION (the locks are then
// released) when another opener conflicts.
DWORD AcquireShare(int fd, unsigned access, unsigned share);

// True when another opener of the file behind fd does not share kind (for
// a deletion: FILE_SHARE_DELETE).
bool OtherOpenerDenies(int fd, unsigned kind);

// True when another opener holds access of kind.
bool OtherOpenerHolds(int fd, unsigned kind);

// Opens hostPath only to probe its locks (no link followed for the final
// name); -1 where it cannot be opened, and then no one can be asked.
int OpenForProbe(const char *hostPath);

}  // namespace posix
}  // namespace platform
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_POSIX_SHARE_LOCK_H
