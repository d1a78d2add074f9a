// The kind of disc an image holds, and its description.
#include <brenvik/brenvik.h>

#include <cstring>

#include "frame/trace.h"
#include "image/image_header.h"
#include "platform/afx/afx.h"

namespace img = brenvik::image;

int ImgHdr_GetCdType(const char *strPath, unsigned long *pType)
{
    if (pType == nullptr)
        return 0;
    VCDHEADER_tag header;
    if (!ImgHdr_Read(strPath, &header))
        return 0;
    unsigned long code = CDTYPE_CDROM;
    // The format word is compared for equality, not tested as bit flags.
    const std::uint32_t format = img::MediaFormat(header);
    if (format == img::kMediaFormatAudio) {
        code = CDTYPE_AUDIO;
    } else if (format == img::kMediaFormatDvd) {
        code = CDTYPE_DVD;
    } else {
        switch (img::DiscKind(header)) {
        case 1: code = CDTYPE_MIXED; break;
        case 2: code = CDTYPE_CDEXTRA; break;
        case 3: code = CDTYPE_PHOTO; break;
        case 4: code = CDTYPE_VIDEO; break;
        case 5: code = CDTYPE_DVD; break;
        case 6: code = CDTYPE_ISOGEN; break;
        default: break;
        }
    }
    *pType = code;
    return 1;
}

unsigned long CVcdImageEx::GetVCD_cdtype(const char *strVcdFname)
{
    if (strVcdFname == nullptr || strVcdFname[0] == '\0') {
        DBG_TRACE("CVcdImageEx::GetVCD_cdtype BAD NULL ...strVcdFname \n");
        return CDTYPE_INVALID;
    }
    unsigned long code = CDTYPE_INVALID;
    if (!ImgHdr_GetCdType(strVcdFname, &code))
        return CDTYPE_INVALID;
    return code;
}

int CVcdImageEx::Is_CDROM(const char *strVcdFname)
{
    return GetVCD_cdtype(strVcdFname) == CDTYPE_CDROM ? 1 : 0;
}

int CVcdImageEx::Is_AUDIO(const char *strVcdFname)
{
    return GetVCD_cdtype(strVcdFname) == CDTYPE_AUDIO ? 1 : 0;
}

int CVcdImageEx::Is_MIXED(const char *strVcdFname)
{
    return GetVCD_cdtype(strVcdFname) == CDTYPE_MIXED ? 1 : 0;
}

int CVcdImageEx::Is_DVD(const char *strVcdFname)
{
    return GetVCD_cdtype(strVcdFname) == CDTYPE_DVD ? 1 : 0;
}

int CVcdImageEx::Is_CDEXTRA(const char *strVcdFname)
{
    return GetVCD_cdtype(strVcdFname) == CDTYPE_CDEXTRA ? 1 : 0;
}

int CVcdImageEx::Is_PHOTO(const char *strVcdFname)
{
    return GetVCD_cdtype(strVcdFname) == CDTYPE_PHOTO ? 1 : 0;
}

int CVcdImageEx::Is_VIDEO(const char *strVcdFname)
{
    return GetVCD_cdtype(strVcdFname) == CDTYPE_VIDEO ? 1 : 0;
}

int CVcdImageEx::Is_ISOGEN(const char *strVcdFname)
{
    return GetVCD_cdtype(strVcdFname) == CDTYPE_ISOGEN ? 1 : 0;
}

int CVcdImageEx::Is_Cluster(const char *strVcdFname)
{
    // One header read for the three kinds stored as several files.
    const unsigned long code = GetVCD_cdtype(strVcdFname);
    return (code == CDTYPE_MIXED || code == CDTYPE_DVD || code == CDTYPE_CDEXTRA) ? 1 : 0;
}

int CVcdImageEx::GetDesc(const char *strVcdFname, char *strDesc_MAXPATH, int *pDescInfo)
{
    if (strDesc_MAXPATH == nullptr) {
        DBG_TRACE("CVcdImageEx::GetDesc BAD NULL ...strDesc_MAXPATH \n");
        return 0;
    }
    if (pDescInfo != nullptr)
        *pDescInfo = 0;
    if (strVcdFname == nullptr || strVcdFname[0] == '\0') {
        DBG_TRACE("CVcdImageEx::GetDesc BAD NULL ...strVcdFname \n");
        return 0;
    }
    VCDHEADER_tag header;
    if (!ReadImageHeader(CString(strVcdFname), &header))
        return 0;
    // A description of all 256 bytes has no NUL of its own; the extra byte
    // ends it, so at most 257 bytes reach the caller's 260-byte buffer.
    char text[img::kDescSize + 1];
    std::memset(text, 0, sizeof text);
    std::memcpy(text, header.szDesc, img::kDescSize);
    if (pDescInfo != nullptr)
        *pDescInfo = static_cast<int>(img::DescInfo(header));
    std::memcpy(strDesc_MAXPATH, text, std::strlen(text) + 1);
    return 1;
}
