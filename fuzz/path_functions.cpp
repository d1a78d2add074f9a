// Every function of the path model under arbitrary bytes, with checks of
// what must hold whatever the input: outputs filled on success are
// terminated within 260 bytes, aliasing an input gives the same result as
// not aliasing it, and split-then-compose gives the path back.
#include <brenvik/brenvik.h>

#include <cstring>
#include <memory>

#include "fuzz_support.h"

struct BrenvikTestAccess {
    static int ValidateMultiDirLevel_p(const char *s, int bResultIfEmpty)
    {
        return CDriveEx::ValidateMultiDirLevel_p(s, bResultIfEmpty);
    }
};

namespace {

using brenvik::fuzz::CheckTerminated;
using brenvik::fuzz::Fail;
using brenvik::fuzz::FuzzFunction;
using brenvik::fuzz::FuzzInput;

constexpr std::size_t kMax = BRENVIK_MAX_PATH;

// A record on the heap, so that a read past its last field is seen. Filled
// either by splitting string 0 or with the raw input bytes as they come
// (then its fields need not be terminated).
std::unique_ptr<SPLITFPATH_tag> MakeRecord(FuzzInput &in)
{
    std::unique_ptr<SPLITFPATH_tag> rec(new SPLITFPATH_tag);
    unsigned char *bytes = reinterpret_cast<unsigned char *>(rec.get());
    if (in.RawSize() > 0 && (in.Variant() & 1)) {
        for (std::size_t i = 0; i < sizeof(SPLITFPATH_tag); ++i)
            bytes[i] = in.Raw()[i % in.RawSize()];
    } else {
        std::memset(bytes, 0, sizeof(SPLITFPATH_tag));
    }
    if (in.Variant() & 2)
        CDriveEx::MySplitPath(in.Text(0), rec.get(), nullptr);
    return rec;
}

// Copies s into a 260-byte heap buffer when it fits, for aliasing runs.
std::unique_ptr<char[]> PathBuffer(const char *s)
{
    std::unique_ptr<char[]> buf(new char[kMax]);
    const std::size_t n = strnlen(s, kMax);
    if (n >= kMax)
        return nullptr;
    std::memcpy(buf.get(), s, n + 1);
    return buf;
}

bool SameRecords(const SPLITFPATH_tag &a, const SPLITFPATH_tag &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void CheckGroup(const SPLITFPATH_tag &r, int isUnc)
{
    if (isUnc) {
        CheckTerminated(r.unc.strOrgPath, "unc.strOrgPath");
        CheckTerminated(r.unc.strComputer_name, "unc.strComputer_name");
        CheckTerminated(r.unc.strShare_name, "unc.strShare_name");
        CheckTerminated(r.unc.strDir, "unc.strDir");
        CheckTerminated(r.unc.strFilename, "unc.strFilename");
        CheckTerminated(r.unc.strFileTitle, "unc.strFileTitle");
        CheckTerminated(r.unc.strFileExt, "unc.strFileExt");
    } else {
        CheckTerminated(r.drv.strOrgPath, "drv.strOrgPath");
        CheckTerminated(r.drv.strDrv, "drv.strDrv");
        CheckTerminated(r.drv.strDir, "drv.strDir");
        CheckTerminated(r.drv.strFilename, "drv.strFilename");
        CheckTerminated(r.drv.strFileTitle, "drv.strFileTitle");
        CheckTerminated(r.drv.strFileExt, "drv.strFileExt");
    }
}

void SplitUnc(FuzzInput &in)
{
    auto rec = MakeRecord(in);
    if (CDriveEx::SplitUNC_p(in.Str(0), (in.Variant() == 3) ? nullptr : rec.get()))
        CheckGroup(*rec, 1);
}

void SplitDrv(FuzzInput &in)
{
    auto rec = MakeRecord(in);
    if (CDriveEx::SplitDrvpath_p(in.Str(0), rec.get()))
        CheckGroup(*rec, 0);
}

void MySplit(FuzzInput &in)
{
    auto rec = MakeRecord(in);
    auto copy = std::make_unique<SPLITFPATH_tag>(*rec);
    int isUnc = -1;
    const char *path = in.Str(0);
    const int result = CDriveEx::MySplitPath(path, rec.get(), &isUnc);
    if (result == 0)
        return;
    CheckGroup(*rec, isUnc);

    // The same split with the path in a field of the record being filled.
    std::memcpy(copy->unc.strOrgPath, path, std::strlen(path) + 1);
    auto expected = std::make_unique<SPLITFPATH_tag>(*copy);
    int isUncAliased = -1;
    CDriveEx::MySplitPath(path, expected.get(), nullptr);
    if (CDriveEx::MySplitPath(copy->unc.strOrgPath, copy.get(), &isUncAliased) != result ||
        isUncAliased != isUnc || !SameRecords(*copy, *expected))
        Fail("split of a record's own field differs");

    // Split then compose gives the path back, unless a doubled backslash
    // after the UNC prefix moved into the directory piece.
    if (std::strlen(path) < 2 || std::strstr(path + 2, "\\\\") != nullptr)
        return;
    char *out = in.Out();
    const int composed =
        isUnc ? CDriveEx::ComposeUNC(out, rec.get()) : CDriveEx::ComposeDrvPath(out, rec.get());
    if (composed && std::strcmp(out, path) != 0)
        Fail("split then compose changed the path");
}

void TitleExt(FuzzInput &in)
{
    char *name = in.Out();
    char *title = in.Out();
    char *ext = in.Out();
    if (CDriveEx::GetTitleExt(in.Str(0), name, title, ext)) {
        CheckTerminated(name, "GetTitleExt name");
        CheckTerminated(title, "GetTitleExt title");
        CheckTerminated(ext, "GetTitleExt ext");
    }
}

void RootDir(FuzzInput &in)
{
    char *root = in.Out();
    int isUnc = -1;
    if (CDriveEx::Get_RootDirOfFilePath(in.Str(0), (in.Variant() == 3) ? nullptr : root, &isUnc))
        CheckTerminated(root, "root");
}

void ComposeUncPieces(FuzzInput &in)
{
    char *out = in.Out();
    if (CDriveEx::ComposeUNC(out, in.Str(0), in.Str(1), in.Str(2), in.Str(3), in.Str(4)))
        CheckTerminated(out, "ComposeUNC");
    // The output buffer holding the directory.
    auto dir = PathBuffer(in.Text(2));
    char *plain = in.Out();
    if (dir) {
        const int expected =
            CDriveEx::ComposeUNC(plain, in.Text(0), in.Text(1), dir.get(), in.Text(3), in.Text(4));
        if (CDriveEx::ComposeUNC(dir.get(), in.Text(0), in.Text(1), dir.get(), in.Text(3),
                                 in.Text(4)) != expected ||
            (expected && std::strcmp(dir.get(), plain) != 0))
            Fail("ComposeUNC into its own directory differs");
    }
}

void ComposeUncRecord(FuzzInput &in)
{
    auto rec = MakeRecord(in);
    char *out = in.Out();
    if (CDriveEx::ComposeUNC(out, rec.get()))
        CheckTerminated(out, "ComposeUNC record");
    CDriveEx::ComposeUNC(out, static_cast<const SPLITFPATH_tag *>(nullptr));
    // Into a field of the record itself.
    CDriveEx::ComposeUNC(rec->unc.strDir, rec.get());
}

void ComposeDrvPieces(FuzzInput &in)
{
    char *out = in.Out();
    if (CDriveEx::ComposeDrvPath(out, in.Str(0), in.Str(1), in.Str(2), in.Str(3)))
        CheckTerminated(out, "ComposeDrvPath");
}

void ComposeDrvRecord(FuzzInput &in)
{
    auto rec = MakeRecord(in);
    char *out = in.Out();
    if (CDriveEx::ComposeDrvPath(out, rec.get()))
        CheckTerminated(out, "ComposeDrvPath record");
    CDriveEx::ComposeDrvPath(rec->drv.strFileTitle, rec.get());
}

void NameValid(FuzzInput &in)
{
    CDriveEx::IsFilenameValid(in.Str(0));
    CDriveEx::IsFilenameValid_ignore_bs_colon(in.Str(1));
    BrenvikTestAccess::ValidateMultiDirLevel_p(in.Str(2), in.Int(0));
    CDriveEx::Is_FilePath_DirPath_Valid(in.Str(3));
}

void ChkFullPath(FuzzInput &in)
{
    char *dir = in.Out();
    char *name = in.Out();
    char *ext = in.Out();
    ext[0] = '\0';  // a name without a dot leaves the extension as it is
    int code = -1;
    const bool alias = in.Variant() == 2;
    auto own = PathBuffer(in.Text(0));
    if (alias && own) {
        CDriveEx::ChkFullPath_s(own.get(), in.Int(0), in.Int(1), in.Int(2), own.get(), name, ext,
                                &code);
        return;
    }
    if (CDriveEx::ChkFullPath_s(in.Str(0), in.Int(0), in.Int(1), in.Int(2), dir, name, ext,
                                in.Variant() == 1 ? nullptr : &code)) {
        CheckTerminated(dir, "ChkFullPath_s dir");
        CheckTerminated(name, "ChkFullPath_s name");
        CheckTerminated(ext, "ChkFullPath_s ext");
    }
}

void MkFullPath(FuzzInput &in)
{
    char *out = in.Out();
    if (CDriveEx::MkFullPath_s(in.Str(0), in.Str(1), out, in.Int(0), in.Int(1), in.Int(2)))
        CheckTerminated(out, "MkFullPath_s");
}

void FileExt(FuzzInput &in)
{
    char *out = in.Out();
    out[0] = '\0';  // a path without a dot leaves the buffer as it is
    if (CDriveEx::GetFileExt(in.Str(0), out))
        CheckTerminated(out, "GetFileExt");
}

void PathExt(FuzzInput &in)
{
    char *out = in.Out();
    const int result = CDriveEx::ChgPathExt(in.Str(0), in.Str(1), out);
    if (result)
        CheckTerminated(out, "ChgPathExt");
    auto own = PathBuffer(in.Text(0));
    if (own && in.Str(0) && in.Str(1)) {
        if (CDriveEx::ChgPathExt(own.get(), in.Str(1), own.get()) != result ||
            (result && std::strcmp(own.get(), out) != 0))
            Fail("ChgPathExt into its own path differs");
    }
}

void Prefix(FuzzInput &in)
{
    char *out = in.Out();
    const int result = CDriveEx::AddPrefix2FileTitle(in.Str(0), in.Str(1), in.Str(2), out);
    if (result)
        CheckTerminated(out, "AddPrefix2FileTitle");
    auto own = PathBuffer(in.Text(1));
    if (own && in.Str(0) && in.Str(1) && in.Str(2)) {
        if (CDriveEx::AddPrefix2FileTitle(in.Str(0), own.get(), in.Str(2), own.get()) != result ||
            (result && std::strcmp(own.get(), out) != 0))
            Fail("AddPrefix2FileTitle into its own prefix differs");
    }
}

void Extname(FuzzInput &in)
{
    char *path = in.Out();
    char *old = in.Out();
    const int result = CDriveEx::ChgExtname(in.Str(0), in.Str(1), path, old);
    if (result) {
        CheckTerminated(path, "ChgExtname path");
        CheckTerminated(old, "ChgExtname old");
    }
    auto own = PathBuffer(in.Text(0));
    char *old2 = in.Out();
    if (own && in.Str(0) && in.Str(1)) {
        if (CDriveEx::ChgExtname(own.get(), in.Str(1), own.get(), old2) != result ||
            (result && (std::strcmp(own.get(), path) != 0 || std::strcmp(old2, old) != 0)))
            Fail("ChgExtname into its own path differs");
    }
}

void DirOf(FuzzInput &in)
{
    char *out = in.Out();
    if (CDriveEx::GetDirOf(in.Str(0), out))
        CheckTerminated(out, "GetDirOf");
}

const FuzzFunction kPathFunctions[] = {
    {"path.AddPrefix2FileTitle", Prefix},
    {"path.ChgExtname", Extname},
    {"path.ChgPathExt", PathExt},
    {"path.ChkFullPath_s", ChkFullPath},
    {"path.ComposeDrvPath.pieces", ComposeDrvPieces},
    {"path.ComposeDrvPath.record", ComposeDrvRecord},
    {"path.ComposeUNC.pieces", ComposeUncPieces},
    {"path.ComposeUNC.record", ComposeUncRecord},
    {"path.GetDirOf", DirOf},
    {"path.GetFileExt", FileExt},
    {"path.GetTitleExt", TitleExt},
    {"path.Get_RootDirOfFilePath", RootDir},
    {"path.MkFullPath_s", MkFullPath},
    {"path.MySplitPath", MySplit},
    {"path.SplitDrvpath_p", SplitDrv},
    {"path.SplitUNC_p", SplitUnc},
    {"path.validation", NameValid},
};

}  // namespace

BRENVIK_FUZZ_TABLE(kPathFunctions);
