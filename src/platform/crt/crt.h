// The pieces of the Windows C runtime the library relies on, as our own code
// on every platform, so that every build behaves alike. Names keep the
// runtime's; they live in a namespace so that they never meet the host's.
#ifndef BRENVIK_PLATFORM_CRT_CRT_H
#define BRENVIK_PLATFORM_CRT_CRT_H

#include <cstdarg>
#include <cstddef>

namespace brenvik {
namespace crt {

// Component sizes of the runtime's path splitter.
constexpr std::size_t kMaxPath = 260;
constexpr std::size_t kMaxDrive = 3;
constexpr std::size_t kMaxDir = 256;
constexpr std::size_t kMaxFname = 256;
constexpr std::size_t kMaxExt = 256;

// ---- Double-byte characters -------------------------------------------------
// True when c starts a double-byte character in the code page of the
// services in force (GetACP). Single-byte and UTF-8 code pages have none.
bool IsLeadByte(unsigned char c);
// True when c starts a double-byte character in codePage (932, 936, 949 and
// 950 have lead bytes; every other code page has none).
bool IsLeadByteOf(unsigned int codePage, unsigned char c);

// ---- Split and join -----------------------------------------------------------
// Split: drive = the first two characters when the second is a colon;
// dir = up to and including the last '\' or '/'; fname = the rest up to its
// last dot; ext = from that dot. Any output may be null. A double-byte
// character counts as one character.
// Returns 0, or EINVAL for a null path or ERANGE when a piece does not fit
// its buffer (then every given output is emptied).
int _splitpath_s(const char *path, char *drive, std::size_t driveSize, char *dir,
                 std::size_t dirSize, char *fname, std::size_t fnameSize, char *ext,
                 std::size_t extSize);
// The unbounded form: outputs of kMaxDrive, kMaxDir, kMaxFname, kMaxExt
// bytes; a path longer than kMaxPath - 1 empties every output.
void _splitpath(const char *path, char *drive, char *dir, char *fname, char *ext);

// Join: drive letter and a colon, dir with a '\' added unless it ends in '\'
// or '/', fname, ext with a '.' put in front unless it begins with one.
// Returns 0, or EINVAL / ERANGE (then path is emptied when pathSize > 0).
int _makepath_s(char *path, std::size_t pathSize, const char *drive, const char *dir,
                const char *fname, const char *ext);

// ---- Comparisons --------------------------------------------------------------
// Multibyte-aware; ASCII letters fold case, double-byte characters compare as
// units. Results < 0, 0, > 0 as strcmp; kNlsCmpError for a null argument.
constexpr int kNlsCmpError = 2147483647;
int _mbscmp(const unsigned char *a, const unsigned char *b);
int _mbsicmp(const unsigned char *a, const unsigned char *b);
int _stricmp(const char *a, const char *b);
int _strnicmp(const char *a, const char *b, std::size_t count);
// The last occurrence of c (a single-byte character), double-byte aware.
const char *MbsRChr(const char *s, unsigned char c);
// The first occurrence of c (a single-byte character), double-byte aware.
const char *MbsChr(const char *s, unsigned char c);

// ---- Formatting -----------------------------------------------------------------
// wvsprintfA's conversions (%c %C %d %i %u %x %X %s %S %p %%, the h and l
// size prefixes and I64 / ll for 64 bits, flags '-' '0' '#', width and
// precision as digits; no floating point, no '*'). An unknown conversion is
// copied as written. format.cpp has the exact rules.
// Writes at most outSize - 1 characters and a NUL (when outSize > 0); returns
// the length the whole output would have had.
std::size_t FormatV(char *out, std::size_t outSize, const char *format, std::va_list args);
std::size_t Format(char *out, std::size_t outSize, const char *format, ...);
// The user32 pair: output limited to 1024 characters as on Windows.
int wvsprintfA(char *out, const char *format, std::va_list args);
int wsprintfA(char *out, const char *format, ...);

// ---- Streams over the platform's file services ------------------------------
struct CrtFile;
// Modes "r", "w", "a", with "+" and "b"/"t" accepted. Windows paths, mapped
// like every other file service.
CrtFile *fopen(const char *path, const char *mode);
std::size_t fwrite(const void *buffer, std::size_t size, std::size_t count, CrtFile *stream);
std::size_t fread(void *buffer, std::size_t size, std::size_t count, CrtFile *stream);
int fclose(CrtFile *stream);
int _unlink(const char *path);

// ---- Characters ------------------------------------------------------------------
// The value of a hexadecimal digit of either case, or -1.
inline int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace crt
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_CRT_CRT_H
