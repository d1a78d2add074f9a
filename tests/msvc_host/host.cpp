// A host of brenvik.dll as the Windows platform's own compiler builds one: the MSVC
// ABI, no C++ runtime, each exported static member imported by its decorated name
// and called on files of its own. (The trace setting is win32_dll_client_test's.)
#include <brenvik/brenvik.h>

#include <string.h>

// The system's C runtime (msvcrt.dll), not a compiler's.
extern "C" int __cdecl printf(const char *, ...);
extern "C" int __cdecl sprintf(char *, const char *, ...);

// What BrenvikTestAccess opens: the private statics, exported all the same.
struct BrenvikTestAccess {
    static int Validate(const char *p, int r) { return CDriveEx::ValidateMultiDirLevel_p(p, r); }
    static int IsDrvType(int d, unsigned t) { return CDriveEx::IsDrvType_pri(d, t); }
    static int GetAllLst(unsigned long *m, unsigned t) { return CDriveEx::GetAllLst_pri(m, t); }
    static int CheckSum(unsigned char *b, unsigned long n) { return CDriveEx::GetCheckSum(b, n); }
    static int Namelist(const char *m, int dvd, char (*const l)[260], char *d, int *n)
    {
        return CVcdImageEx::Get_VCDCluster_AllNamelist_internal(m, dvd, l, d, n);
    }
};
using Access = BrenvikTestAccess;

namespace {

bool Eq(unsigned long long got, unsigned long long want, const char *what)
{
    if (got != want)
        printf("    %s: %llu, expected %llu\n", what, got, want);
    return got == want;
}

bool Str(const char *got, const char *want, const char *what)
{
    const bool same = strcmp(got, want) == 0;
    if (!same)
        printf("    %s: '%s', expected '%s'\n", what, got, want);
    return same;
}

// A call that succeeded and left want in out.
bool Is(int result, const char *out, const char *want)
{
    return Eq(result, 1, "result") && Str(out, want, "out");
}

char g_dir[MAX_PATH];  // ends in a backslash

// g_dir plus rel, in one of a few rotating buffers.
const char *In(const char *rel)
{
    static char ring[8][MAX_PATH];
    static int next;
    char *out = ring[next++ % 8];
    sprintf(out, "%s%s", g_dir, rel);
    return out;
}

bool Put(const char *rel, const void *data, DWORD size)
{
    HANDLE h = ::CreateFileA(In(rel), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok = ::WriteFile(h, data, size, &written, nullptr) && written == size;
    return ::CloseHandle(h) && ok;  // both fail on an invalid handle
}

VCDHEADER_tag g_header;

bool WriteImage(const char *rel, uint32_t format, uint32_t kind, uint32_t slaves)
{
    memset(&g_header, 0, sizeof g_header);
    g_header.dwDescInfo = 42;
    g_header.dwMediaFormat = format;
    g_header.dwDiscKind = kind;
    g_header.dwSlaveCount = slaves;
    lstrcpyA(g_header.szDesc, "Holiday 2009");
    return Put(rel, &g_header, sizeof g_header);
}

bool Exists(const char *rel) { return ::GetFileAttributesA(In(rel)) != INVALID_FILE_ATTRIBUTES; }

// A status query: 1 for the entry named yes, 0 for the one named no.
bool Status(int (*query)(const char *, int *), const char *yes, const char *no)
{
    return Eq(query(In(yes), nullptr), 1, yes) && Eq(query(In(no), nullptr), 0, no);
}

// A drive mask query: C: (bit 2) as given, the mask written either way.
bool Mask(int (*query)(unsigned long *), unsigned long cBit)
{
    unsigned long mask = cBit ? 0 : ~0ul;
    return Eq(query(&mask), 1, "result") && Eq(mask & 4, cBit, "C: bit");
}

SPLITFPATH_tag g_split;
char g_a[MAX_PATH], g_b[MAX_PATH], g_c[MAX_PATH];
char g_list[100][260];
unsigned long g_u[4];
unsigned long long g_ull[3];
int g_i[9];
WIN32_FILE_ATTRIBUTE_DATA g_data;
unsigned char g_bytes[] = {1, 2, 3, 4, 5};

struct Row {
    const char *member;
    bool (*run)();
};

// One row per exported static member: the call and what shows its arguments
// and results crossed the boundary.
#define ROW(member, ...) {member, [] { return __VA_ARGS__; }}

const Row kRows[] = {
    ROW("SplitUNC_p", Is(CDriveEx::SplitUNC_p("\\\\srv\\share\\d\\file.ext", &g_split),
                         g_split.unc.strFileTitle, "file")),
    ROW("SplitDrvpath_p", Is(CDriveEx::SplitDrvpath_p("c:\\d1\\d2\\file.tar.gz", &g_split),
                             g_split.drv.strFileExt, ".gz")),
    ROW("MySplitPath",
        Is(CDriveEx::MySplitPath("\\\\c\\s\\d\\README", &g_split, &(g_i[0] = -1)),
           g_split.unc.strFilename, "README") && Eq(g_i[0], 1, "*pIsUNC")),
    ROW("GetTitleExt", Is(CDriveEx::GetTitleExt("C:\\dir\\file.ext", g_a, g_b, g_c), g_c, ".ext")),
    ROW("Get_RootDirOfFilePath",
        Is(CDriveEx::Get_RootDirOfFilePath("C:\\dir\\f.e", g_a, &g_i[0]), g_a, "C:\\")),
    ROW("ComposeUNC(pieces)", Is(CDriveEx::ComposeUNC(g_a, "srv", "share", "d", "file", ".ext"),
                                 g_a, "\\\\srv\\share\\d\\file.ext")),
    ROW("ComposeUNC(record)", CDriveEx::SplitUNC_p("\\\\srv\\share\\d\\f.e", &g_split) &&
        Is(CDriveEx::ComposeUNC(g_a, &g_split), g_a, "\\\\srv\\share\\d\\f.e")),
    ROW("ComposeDrvPath(pieces)",
        Is(CDriveEx::ComposeDrvPath(g_a, "C:\\", "d", "file", ".ext"), g_a, "C:\\d\\file.ext")),
    ROW("ComposeDrvPath(record)", CDriveEx::SplitDrvpath_p("c:\\d1\\f.gz", &g_split) &&
        Is(CDriveEx::ComposeDrvPath(g_a, &g_split), g_a, "c:\\d1\\f.gz")),
    ROW("IsFilenameValid", Eq(CDriveEx::IsFilenameValid("a b.txt"), 1, "plain")),
    ROW("IsFilenameValid_ignore_bs_colon",
        Eq(CDriveEx::IsFilenameValid_ignore_bs_colon("C:\\a"), 1, "path")),
    ROW("ValidateMultiDirLevel_p", Eq(Access::Validate("", 7), 7, "empty")),
    ROW("Is_FilePath_DirPath_Valid",
        Eq(CDriveEx::Is_FilePath_DirPath_Valid("C:\\dir\\f.txt"), 1, "drive path")),
    ROW("ChkFullPath_s",
        Is(CDriveEx::ChkFullPath_s("C:\\dir\\File.TXT", 1, 1, 0, g_a, g_b, g_c, &g_i[0]), g_c,
           "txt")),
    ROW("MkFullPath_s",
        Is(CDriveEx::MkFullPath_s("C:\\dir", "f.vcd", g_a, 1, 1, 0), g_a, "C:\\dir\\f.vcd")),
    ROW("GetFileExt", Is(CDriveEx::GetFileExt("C:\\d\\a.tar.gz", g_a), g_a, "gz")),
    ROW("ChgPathExt", Is(CDriveEx::ChgPathExt("C:\\d\\a.txt", ".bak", g_a), g_a, "C:\\d\\a.bak")),
    ROW("AddPrefix2FileTitle", Is(CDriveEx::AddPrefix2FileTitle("C:\\d\\a.txt", "pre_", "_post",
                                  g_a), g_a, "C:\\d\\pre_a_post.txt")),
    ROW("ChgExtname", Is(CDriveEx::ChgExtname("C:\\d\\a.txt", ".bak", g_a, g_b), g_b, ".txt")),
    ROW("GetDirOf", Is(CDriveEx::GetDirOf("C:\\d\\e\\a.txt", g_a), g_a, "C:\\d\\e\\")),

    // Drives: Wine's C: is a fixed disk; 26 is no drive at all
    ROW("IsCdDrive", Eq(CDriveEx::IsCdDrive(2), 0, "C:")),
    ROW("IsRemovableDrive", Eq(CDriveEx::IsRemovableDrive(2), 0, "C:")),
    ROW("IsRamDrive", Eq(CDriveEx::IsRamDrive(2), 0, "C:")),
    ROW("IsNetworkDrive", Eq(CDriveEx::IsNetworkDrive(2), 0, "C:")),
    ROW("IsLocalHDDrive", Eq(CDriveEx::IsLocalHDDrive(2), 1, "C:")),
    ROW("IsDrvType_pri", Eq(Access::IsDrvType(2, DRIVE_FIXED), 1, "fixed")),
    ROW("GetCdDrvLst", Mask(CDriveEx::GetCdDrvLst, 0)),
    ROW("GetRemovableDrvLst", Mask(CDriveEx::GetRemovableDrvLst, 0)),
    ROW("GetRamDrvLst", Mask(CDriveEx::GetRamDrvLst, 0)),
    ROW("GetNetworkDrvLst", Mask(CDriveEx::GetNetworkDrvLst, 0)),
    ROW("GetLocalHDDrvLst", Mask(CDriveEx::GetLocalHDDrvLst, 4)),
    ROW("GetAllLst_pri", Access::GetAllLst(&(g_u[0] = 0), DRIVE_FIXED) && Eq(g_u[0] & 4, 4, "C:")),
    ROW("GetDriveType_Ex", Eq(CDriveEx::GetDriveType_Ex("C:\\"), DRIVE_FIXED, "C:\\")),
    ROW("Drv_Int2Letter", CDriveEx::Drv_Int2Letter(25, g_a) && Eq(g_a[0], 'Z', "letter")),
    ROW("Drv_Char2Int", CDriveEx::Drv_Char2Int('d', &g_i[0]) && Eq(g_i[0], 3, "number")),
    ROW("Drv_Letter2Int", CDriveEx::Drv_Letter2Int("C:\\", &g_i[0]) && Eq(g_i[0], 2, "number")),
    ROW("InRange", Eq(CDriveEx::InRange(5, 5, 9), 1, "low bound")),
    ROW("Is_0_25", Eq(CDriveEx::Is_0_25(25), 1, "25")),

    ROW("My_GetDiskFreeSpace", CDriveEx::My_GetDiskFreeSpace(2, &g_u[0], &(g_u[1] = 0), &g_u[2],
        &g_u[3]) && Eq(g_u[1] != 0 && g_u[3] >= g_u[2], 1, "bytes per sector, free <= total")),
    ROW("GetCdSize", CDriveEx::GetCdSize(2, &(g_u[0] = 0)) && Eq(g_u[0] != 0, 1, "size set")),
    ROW("GetVolName", Eq(CDriveEx::GetVolName(2, g_a), 1, "C:")),
    ROW("IsDiskPresent", Eq(CDriveEx::IsDiskPresent(2, 0), 1, "C:")),
    ROW("IsCompressed", Eq(CDriveEx::IsCompressed(26), 0, "26")),
    ROW("GetLargeDiskSize2GB_inByte",
        CDriveEx::GetLargeDiskSize2GB_inByte(2, "C:\\", &(g_ull[0] = 0), &g_ull[1], nullptr) &&
            Eq(g_ull[0] != 0 && g_ull[1] <= g_ull[0], 1, "free within total")),
    ROW("GetLargeDiskSize2GB_inKB",
        Eq(CDriveEx::GetLargeDiskSize2GB_inKB(2, "C:\\", &g_u[0], nullptr, nullptr), 1, "KB")),
    ROW("IsVideoCD", Eq(CDriveEx::IsVideoCD(2), 0, "C:")),
    ROW("IsPhotoCD", Eq(CDriveEx::IsPhotoCD(2), 0, "C:")),
    ROW("IsAudioCD", Eq(CDriveEx::IsAudioCD(26), 0, "26")),
    ROW("IsDVD", Eq(CDriveEx::IsDVD(26), 0, "26")),

    // Attributes and status, on the files HostMain made
    ROW("CFileStatus_s(masks)",
        CDriveEx::CFileStatus_s(In("ro.txt"), 0, 0x01, &(g_i[0] = -1)) && Eq(g_i[0], 1, "exist")),
    ROW("IsDir", Status(CDriveEx::IsDir, "sub", "a.txt")),
    ROW("IsDirHidden", Status(CDriveEx::IsDirHidden, "hiddir", "sub")),
    ROW("IsFile", Status(CDriveEx::IsFile, "a.txt", "sub")),
    ROW("IsFileWritable", Status(CDriveEx::IsFileWritable, "a.txt", "ro.txt")),
    ROW("IsFileHidden", Status(CDriveEx::IsFileHidden, "hid.txt", "a.txt")),
    ROW("CFileStatus_s(flags)",
        Eq(CDriveEx::CFileStatus_s(In("hiddir"), &g_i[0], &g_i[1], &g_i[2], &g_i[3], &g_i[4],
                                   &g_i[5], &g_i[6], &g_i[7], &g_i[8]), 1, "result") &&
            Eq(g_i[0], 0, "file") && Eq(g_i[4], 1, "hidden dir") && Eq(g_i[8], 1, "exist")),
    ROW("IsExist", Eq(CDriveEx::IsExist(In("sub")), 1, "sub")),
    ROW("ChkFileAttrEx", Eq(CDriveEx::ChkFileAttrEx(In("hid.txt"), 0, 0x02, nullptr), 1, "hidden")),
    ROW("GetFileAttrEx(word)", CDriveEx::GetFileAttrEx(In("ro.txt"), &(g_u[0] = 0)) &&
        Eq(g_u[0] & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY, "read-only bit")),
    ROW("GetFileAttrEx(record)",
        CDriveEx::GetFileAttrEx(In("a.txt"), &g_data) && Eq(g_data.nFileSizeLow, 5, "size")),
    ROW("GetFileSizeInByte", CDriveEx::GetFileSizeInByte(In("a.txt"), g_u) && Eq(g_u[0], 5, "")),

    ROW("CanWeWriteDir", Eq(CDriveEx::CanWeWriteDir(In("sub")), 1, "sub")),
    ROW("IsDirWriteable", Eq(CDriveEx::IsDirWriteable(In("sub")), 1, "sub")),
    ROW("CanWeWriteFile", Eq(CDriveEx::CanWeWriteFile(In("a.txt")), 0, "a.txt")),
    ROW("MyCreateDirectory", Eq(CDriveEx::MyCreateDirectory(In("made"), 0), 1, "new")),
    ROW("CreateDir_Recursively", CDriveEx::CreateDir_Recursively(In("deep\\er\\est")) &&
        Eq(Exists("deep\\er\\est"), 1, "deepest")),
    ROW("MyRename", Put("old.txt", "x", 1) &&
        Eq(CDriveEx::MyRename(In("old.txt"), In("new.txt")), 1, "result")),
    ROW("MyDelFile", Eq(CDriveEx::MyDelFile(In("new.txt")), 1, "present")),
    ROW("MyRemoveDirectory", Eq(CDriveEx::MyRemoveDirectory(In("made")), 1, "empty")),
    ROW("DelSubFile", Put("sub\\x1.log", "1", 1) &&
        Eq(CDriveEx::DelSubFile(In("sub"), "*.log", 0), 1, "result") &&
        Eq(Exists("sub\\x1.log"), 0, "log gone")),
    ROW("DelTree", Eq(CDriveEx::DelTree(In("deep"), 0), 1, "result")),

    ROW("MaybeNetworkPath", Eq(CDriveEx::MaybeNetworkPath("\\\\srv\\s\\f"), 1, "UNC")),
    // Refused before any socket: not a UNC path.
    ROW("PingHost", Eq(CDriveEx::PingHost("C:\\x", 0, 1, 100), 0, "result")),
    // ~(0x0201 + 0x0403 + 5)
    ROW("GetCheckSum", Eq(Access::CheckSum(g_bytes, 5), 0xF9F6, "sum")),

    ROW("GetVCD_cdtype", Eq(CVcdImageEx::GetVCD_cdtype(In("video.vcd")), CDTYPE_VIDEO, "video")),
    ROW("Is_CDROM", Eq(CVcdImageEx::Is_CDROM(In("data.vcd")), 1, "data")),
    ROW("Is_AUDIO", Eq(CVcdImageEx::Is_AUDIO(In("audio.vcd")), 1, "audio")),
    ROW("Is_MIXED", Eq(CVcdImageEx::Is_MIXED(In("Mix.VCD.D00")), 1, "mixed")),
    ROW("Is_DVD", Eq(CVcdImageEx::Is_DVD(In("Movie.DVD\\Movie.DVD.D00")), 1, "DVD")),
    ROW("Is_CDEXTRA", Eq(CVcdImageEx::Is_CDEXTRA(In("extra.vcd")), 1, "CD-Extra")),
    ROW("Is_PHOTO", Eq(CVcdImageEx::Is_PHOTO(In("photo.vcd")), 1, "photo")),
    ROW("Is_VIDEO", Eq(CVcdImageEx::Is_VIDEO(In("video.vcd")), 1, "video")),
    ROW("Is_ISOGEN", Eq(CVcdImageEx::Is_ISOGEN(In("isogen.vcd")), 1, "ISOGEN")),
    ROW("Is_Cluster", Eq(CVcdImageEx::Is_Cluster(In("Mix.VCD.D00")), 1, "mixed")),
    ROW("GetDesc",
        Is(CVcdImageEx::GetDesc(In("video.vcd"), g_a, &(g_i[0] = 0)), g_a, "Holiday 2009") &&
            Eq(g_i[0], 42, "*pDescInfo")),
    ROW("GetPathExtType",
        Eq(CVcdImageEx::GetPathExtType("C:\\i\\a.Dvd.d07"), EXTTYPE_DVD, "dvd member")),
    ROW("IsVCDext", Eq(CVcdImageEx::IsVCDext("a.VCD"), 1, "a.VCD")),
    ROW("IsDVDext", Eq(CVcdImageEx::IsDVDext("a.DVD.D01"), 1, "a.DVD.D01")),
    ROW("Is_MixedModeCD_ext", Eq(CVcdImageEx::Is_MixedModeCD_ext("a.VCD.D00"), 1, "D00")),
    ROW("Is_Cluster_ext", Eq(CVcdImageEx::Is_Cluster_ext("a.VCD.D01"), 1, "mixed")),
    ROW("IsExt_dot_D_09_09", Eq(CVcdImageEx::IsExt_dot_D_09_09(".d42"), 1, ".d42")),
    ROW("IsMyExt_VCD_dot_D_09_09",
        Eq(CVcdImageEx::IsMyExt_VCD_dot_D_09_09(".dvd.D00"), 1, ".dvd.D00")),
    ROW("ParseMaster", Is(CVcdImageEx::ParseMaster("C:\\i\\M.DVD\\M.DVD.D00", g_a, g_b), g_b,
                          "C:\\i\\M.DVD\\M.DVD.D")),
    ROW("Vcd2Dvd_ext", Is(CVcdImageEx::Vcd2Dvd_ext("C:\\i\\H.vcd", g_a, g_b, g_c), g_c,
                          "C:\\i\\H.DVD\\H.DVD.D00")),

    // Bundles: Movie.DVD holds a master and two slaves, Mix a mixed-mode pair
    ROW("Get_DVD_AllNamelist",
        Eq(CVcdImageEx::Get_DVD_AllNamelist(In("Movie.DVD\\Movie.DVD.D00"), g_list, g_a,
                                             &(g_i[0] = 0)), 1, "result") &&
            Eq(g_i[0], 3, "*pCount") && Str(g_list[2], In("Movie.DVD\\Movie.DVD.D02"), "last")),
    ROW("Get_Cluster_AllNamelist",
        Eq(CVcdImageEx::Get_Cluster_AllNamelist(In("Mix.VCD.D00"), g_list, g_a, &g_i[0]), 1, "")),
    ROW("Get_VCDCluster_AllNamelist_internal",
        Eq(Access::Namelist(In("Mix.VCD.D00"), 0, g_list, g_a, &g_i[0]), 1, "any cluster")),
    ROW("IsValidDvdBundle", Is(CVcdImageEx::IsValidDvdBundle(In("Movie.DVD\\Movie.DVD.D01"), g_a),
                               g_a, In("Movie.DVD\\Movie.DVD.D00"))),
    ROW("DelClusterBundle",
        Eq(CVcdImageEx::DelClusterBundle(In("Movie.DVD\\Movie.DVD.D00")), DELBUNDLE_OK, "ok")),
    ROW("Del_ClusterBundle_Without_Verify",
        Eq(CVcdImageEx::Del_ClusterBundle_Without_Verify(In("Mix.VCD.D00"), 0), 1, "result")),
};

bool MakeFiles()
{
    bool ok = ::CreateDirectoryA(g_dir, nullptr) && Put("a.txt", "hello", 5) &&
              Put("ro.txt", "r", 1) && Put("hid.txt", "h", 1) &&
              ::CreateDirectoryA(In("sub"), nullptr) && ::CreateDirectoryA(In("hiddir"), nullptr) &&
              ::SetFileAttributesA(In("ro.txt"), FILE_ATTRIBUTE_READONLY) &&
              ::SetFileAttributesA(In("hid.txt"), FILE_ATTRIBUTE_HIDDEN) &&
              ::SetFileAttributesA(In("hiddir"), FILE_ATTRIBUTE_HIDDEN);
    ok = ok && WriteImage("data.vcd", 0, 0, 0) && WriteImage("audio.vcd", 256, 0, 0) &&
         WriteImage("video.vcd", 0, 4, 0) && WriteImage("photo.vcd", 0, 3, 0) &&
         WriteImage("extra.vcd", 0, 2, 0) && WriteImage("isogen.vcd", 0, 6, 0) &&
         WriteImage("Mix.VCD.D00", 0, 1, 1) && Put("Mix.VCD.D01", "s", 1);
    return ok && ::CreateDirectoryA(In("Movie.DVD"), nullptr) &&
           WriteImage("Movie.DVD\\Movie.DVD.D00", 4096, 0, 2) &&
           Put("Movie.DVD\\Movie.DVD.D01", "1", 1) && Put("Movie.DVD\\Movie.DVD.D02", "2", 1);
}

}  // namespace

extern "C" void HostMain()
{
    char temp[MAX_PATH];
    ::GetTempPathA(sizeof temp, temp);
    sprintf(g_dir, "%sbrenvik-msvc-host-%lu\\", temp, ::GetCurrentProcessId());
    if (!MakeFiles()) {
        printf("cannot make the test files in %s (error %lu)\n", g_dir, ::GetLastError());
        ::ExitProcess(1);
    }
    int failed = 0;
    for (const Row &row : kRows) {
        const bool ok = row.run();
        printf("%-44s %s\n", row.member, ok ? "ok" : "FAILED");
        failed += ok ? 0 : 1;
    }
    ::SetFileAttributesA(In("ro.txt"), FILE_ATTRIBUTE_NORMAL);
    CDriveEx::DelTree(g_dir, 1);
    printf("%d of %d members failed\n", failed, static_cast<int>(sizeof kRows / sizeof kRows[0]));
    ::ExitProcess(failed == 0 ? 0 : 1);
}
