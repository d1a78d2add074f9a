#include "platform/posix/share_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace brenvik {
namespace platform {
namespace posix {

namespace {

// Well past any file's data, and below the largest offset fcntl accepts.
constexpr off_t kLockBase = 0x7fffffffffff0000LL;
constexpr unsigned kKinds[] = {kShareRead, kShareWrite, kShareDelete};

off_t HoldOffset(unsigned kindIndex)
{
    return kLockBase + static_cast<off_t>(kindIndex);
}

off_t DenyOffset(unsigned kindIndex)
{
    return kLockBase + 3 + static_cast<off_t>(kindIndex);
}

struct flock Byte(short type, off_t offset)
{
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = offset;
    fl.l_len = 1;
    return fl;
}

// True when some other open file description holds a lock on offset.
bool Held(int fd, off_t offset)
{
    struct flock fl = Byte(F_WRLCK, offset);
    if (::fcntl(fd, F_OFD_GETLK, &fl) != 0)
        return false;
    return fl.l_type != F_UNLCK;
}

bool Take(int fd, off_t offset)
{
    struct flock fl = Byte(F_RDLCK, offset);
    while (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

void Release(int fd, off_t offset)
{
    struct flock fl = Byte(F_UNLCK, offset);
    ::fcntl(fd, F_OFD_SETLK, &fl);
}

}  // namespace

DWORD AcquireShare(int fd, unsigned access, unsigned share)
{
    // An open without read, write or delete access conflicts with nothing.
    if ((access & (kShareRead | kShareWrite | kShareDelete)) == 0)
        return 0;
    for (unsigned i = 0; i < 3; ++i) {
        if (access & kKinds[i])
            Take(fd, HoldOffset(i));
        if (!(share & kKinds[i]))
            Take(fd, DenyOffset(i));
    }
    bool conflict = false;
    for (unsigned i = 0; i < 3 && !conflict; ++i) {
        if ((access & kKinds[i]) && Held(fd, DenyOffset(i)))
            conflict = true;
        if (!(share & kKinds[i]) && Held(fd, HoldOffset(i)))
            conflict = true;
    }
    if (!conflict)
        return 0;
    for (unsigned i = 0; i < 3; ++i) {
        Release(fd, HoldOffset(i));
        Release(fd, DenyOffset(i));
    }
    return ERROR_SHARING_VIOLATION;
}

bool OtherOpenerDenies(int fd, unsigned kind)
{
    for (unsigned i = 0; i < 3; ++i)
        if (kKinds[i] == kind)
            return Held(fd, DenyOffset(i));
    return false;
}

bool OtherOpenerHolds(int fd, unsigned kind)
{
    for (unsigned i = 0; i < 3; ++i)
        if (kKinds[i] == kind)
            return Held(fd, HoldOffset(i));
    return false;
}

int OpenForProbe(const char *hostPath)
{
    int fd = ::open(hostPath, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno == EACCES)
        fd = ::open(hostPath, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    return fd;
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik
