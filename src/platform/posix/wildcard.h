// The name patterns of FindFirstFileA: '*' and '?' with the DOS rules that
// Windows applies to them, letters compared without regard to ASCII case.
//   "*.*"  every name, also one without a dot
//   "*."   names without a dot
//   "?"    one character, or none at the end of the name or before a dot
//          ("a?.txt" takes "a.txt" and "ab.txt", not "a.b.txt")
// Short 8.3 names do not exist here, so no pattern matches through one.
#ifndef BRENVIK_PLATFORM_POSIX_WILDCARD_H
#define BRENVIK_PLATFORM_POSIX_WILDCARD_H

namespace brenvik {
namespace platform {
namespace posix {

bool MatchesPattern(const char *pattern, const char *name);

}  // namespace posix
}  // namespace platform
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_POSIX_WILDCARD_H
