// The two readers of the image header.
#include "image/image_header.h"

#include <cstring>

#include "platform/afx/afx.h"
#include "platform/services.h"

// Every field of the record at its file offset, the unread gaps included, so
// that one read of the file's first bytes fills the record.
static_assert(sizeof(VCDHEADER_tag) == 2942, "header record size");
static_assert(offsetof(VCDHEADER_tag, bReserved0) == 0, "bReserved0 at 0");
static_assert(offsetof(VCDHEADER_tag, dwDescInfo) == 16, "dwDescInfo at 16");
static_assert(offsetof(VCDHEADER_tag, bReserved1) == 20, "bReserved1 at 20");
static_assert(offsetof(VCDHEADER_tag, dwMediaFormat) == 44, "dwMediaFormat at 44");
static_assert(offsetof(VCDHEADER_tag, szDesc) == 48, "szDesc at 48");
static_assert(offsetof(VCDHEADER_tag, bReserved2) == 304, "bReserved2 at 304");
static_assert(offsetof(VCDHEADER_tag, dwSlaveCount) == 368, "dwSlaveCount at 368");
static_assert(offsetof(VCDHEADER_tag, dwReserved3) == 372, "dwReserved3 at 372");
static_assert(offsetof(VCDHEADER_tag, dwDiscKind) == 376, "dwDiscKind at 376");
static_assert(offsetof(VCDHEADER_tag, bReserved4) == 380, "bReserved4 at 380");
static_assert(alignof(VCDHEADER_tag) == 1, "header record is packed");

using brenvik::image::kHeaderSize;
using brenvik::image::kTypeReadSize;

int ReadImageHeader(const CString &strPath, VCDHEADER_tag *pHeader)
{
    if (pHeader == nullptr || strPath.IsEmpty())
        return 0;
    try {
        // Readers may share the file, writers may not; the destructor
        // closes the file on the early returns.
        CFile file(strPath, CFile::modeRead | CFile::shareDenyWrite);
        if (file.Seek(0, CFile::begin) != 0)
            return 0;
        if (file.Read(pHeader, static_cast<UINT>(kHeaderSize)) != kHeaderSize)
            return 0;
        // Closed here rather than in the destructor so that a failing close
        // is reported as a failed read.
        file.Close();
        return 1;
    } catch (const CFileException &) {
        return 0;
    }
}

int ImgHdr_Read(const char *strPath, void *pHeader)
{
    if (strPath == nullptr || pHeader == nullptr)
        return 0;
    std::memset(pHeader, 0, kTypeReadSize);
    auto &s = brenvik::platform::sys();
    // Shares writing too, so that the kind of an image can be asked for
    // while another program is still writing it.
    HANDLE h = s.CreateFileA(strPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    if (s.SetFilePointer(h, 0, nullptr, FILE_BEGIN) != 0) {
        s.CloseHandle(h);
        return 0;
    }
    DWORD read = 0;
    if (!s.ReadFile(h, pHeader, static_cast<DWORD>(kTypeReadSize), &read, nullptr) ||
        read != kTypeReadSize) {
        s.CloseHandle(h);
        return 0;
    }
    s.CloseHandle(h);
    return 1;
}
