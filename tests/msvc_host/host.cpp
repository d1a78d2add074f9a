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

// The failing row names the member; these say what differed.
bool Eq(unsigned long long got, unsigned long long want)
{
    if (got != want)
        printf("    %llu, expected %llu\n", got, want);
    return got == want;
}

bool Str(const char *got, const char *want)
{
    const bool same = strcmp(got, want) == 0;
    if (!same)
        printf("    '%s', expected '%s'\n", got, want);
    return same;
}

// A call that succeeded and left want in out.
bool Is(int result, const char *out, const char *want) { return Eq(result, 1) && Str(out, want); }

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
    return Eq(query(In(yes), nullptr), 1) && Eq(query(In(no), nullptr), 0);
}

// A drive mask query: C: (bit 2) as given, the mask written either way.
bool Mask(int (*query)(unsigned long *), unsigned long cBit)
{
    unsigned long mask = cBit ? 0 : ~0ul;
    return Eq(query(&mask), 1) && Eq(mask & 4, cBit);
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

using D = CDriveEx;
using V = CVcdImageEx;

const Row kRows[] = {
    ROW("SplitUNC_p",
        Is(D::SplitUNC_p("\\\\srv\\share\\d\\f.ext", &g_split), g_split.unc.strFileTitle, "f")),
    ROW("SplitDrvpath_p",
        Is(D::SplitDrvpath_p("c:\\d1\\d2\\f.tar.gz", &g_split), g_split.drv.strFileExt, ".gz")),
    ROW("MySplitPath", Is(D::MySplitPath("\\\\c\\s\\d\\README", &g_split, &(g_i[0] = -1)),
                          g_split.unc.strFilename, "README") && Eq(g_i[0], 1)),
    ROW("GetTitleExt", Is(D::GetTitleExt("C:\\dir\\file.ext", g_a, g_b, g_c), g_c, ".ext")),
    ROW("Get_RootDirOfFilePath", Is(D::Get_RootDirOfFilePath("C:\\d\\f.e", g_a, g_i), g_a, "C:\\")),
    ROW("ComposeUNC(pieces)",
        Is(D::ComposeUNC(g_a, "srv", "share", "d", "f", ".ext"), g_a, "\\\\srv\\share\\d\\f.ext")),
    ROW("ComposeUNC(record)", D::SplitUNC_p("\\\\srv\\share\\d\\f.e", &g_split) &&
                                  Is(D::ComposeUNC(g_a, &g_split), g_a, "\\\\srv\\share\\d\\f.e")),
    ROW("ComposeDrvPath(pieces)",
        Is(D::ComposeDrvPath(g_a, "C:\\", "d", "file", ".ext"), g_a, "C:\\d\\file.ext")),
    ROW("ComposeDrvPath(record)", D::SplitDrvpath_p("c:\\d1\\f.gz", &g_split) &&
                                      Is(D::ComposeDrvPath(g_a, &g_split), g_a, "c:\\d1\\f.gz")),
    ROW("IsFilenameValid", Eq(D::IsFilenameValid("a b.txt"), 1)),
    ROW("IsFilenameValid_ignore_bs_colon", Eq(D::IsFilenameValid_ignore_bs_colon("C:\\a"), 1)),
    ROW("ValidateMultiDirLevel_p", Eq(Access::Validate("", 7), 7)),
    ROW("Is_FilePath_DirPath_Valid", Eq(D::Is_FilePath_DirPath_Valid("C:\\dir\\f.txt"), 1)),
    ROW("ChkFullPath_s",
        Is(D::ChkFullPath_s("C:\\dir\\File.TXT", 1, 1, 0, g_a, g_b, g_c, g_i), g_c, "txt")),
    ROW("MkFullPath_s", Is(D::MkFullPath_s("C:\\d", "f.vcd", g_a, 1, 1, 0), g_a, "C:\\d\\f.vcd")),
    ROW("GetFileExt", Is(D::GetFileExt("C:\\d\\a.tar.gz", g_a), g_a, "gz")),
    ROW("ChgPathExt", Is(D::ChgPathExt("C:\\d\\a.txt", ".bak", g_a), g_a, "C:\\d\\a.bak")),
    ROW("AddPrefix2FileTitle",
        Is(D::AddPrefix2FileTitle("C:\\d\\a.txt", "p_", "_q", g_a), g_a, "C:\\d\\p_a_q.txt")),
    ROW("ChgExtname", Is(D::ChgExtname("C:\\d\\a.txt", ".bak", g_a, g_b), g_b, ".txt")),
    ROW("GetDirOf", Is(D::GetDirOf("C:\\d\\e\\a.txt", g_a), g_a, "C:\\d\\e\\")),

    // Drives: Wine's C: is a fixed disk; 26 is no drive at all
    ROW("IsCdDrive", Eq(D::IsCdDrive(2), 0)),
    ROW("IsRemovableDrive", Eq(D::IsRemovableDrive(2), 0)),
    ROW("IsRamDrive", Eq(D::IsRamDrive(2), 0)),
    ROW("IsNetworkDrive", Eq(D::IsNetworkDrive(2), 0)),
    ROW("IsLocalHDDrive", Eq(D::IsLocalHDDrive(2), 1)),
    ROW("IsDrvType_pri", Eq(Access::IsDrvType(2, DRIVE_FIXED), 1)),
    ROW("GetCdDrvLst", Mask(D::GetCdDrvLst, 0)),
    ROW("GetRemovableDrvLst", Mask(D::GetRemovableDrvLst, 0)),
    ROW("GetRamDrvLst", Mask(D::GetRamDrvLst, 0)),
    ROW("GetNetworkDrvLst", Mask(D::GetNetworkDrvLst, 0)),
    ROW("GetLocalHDDrvLst", Mask(D::GetLocalHDDrvLst, 4)),
    ROW("GetAllLst_pri", Access::GetAllLst(&(g_u[0] = 0), DRIVE_FIXED) && Eq(g_u[0] & 4, 4)),
    ROW("GetDriveType_Ex", Eq(D::GetDriveType_Ex("C:\\"), DRIVE_FIXED)),
    ROW("Drv_Int2Letter", D::Drv_Int2Letter(25, g_a) && Eq(g_a[0], 'Z')),
    ROW("Drv_Char2Int", D::Drv_Char2Int('d', g_i) && Eq(g_i[0], 3)),
    ROW("Drv_Letter2Int", D::Drv_Letter2Int("C:\\", g_i) && Eq(g_i[0], 2)),
    ROW("InRange", Eq(D::InRange(5, 5, 9), 1)),
    ROW("Is_0_25", Eq(D::Is_0_25(25), 1)),

    ROW("My_GetDiskFreeSpace", D::My_GetDiskFreeSpace(2, g_u, &(g_u[1] = 0), &g_u[2], &g_u[3]) &&
                                   Eq(g_u[1] != 0 && g_u[3] >= g_u[2], 1)),
    ROW("GetCdSize", D::GetCdSize(2, &(g_u[0] = 0)) && Eq(g_u[0] != 0, 1)),
    ROW("GetVolName", Eq(D::GetVolName(2, g_a), 1)),
    ROW("IsDiskPresent", Eq(D::IsDiskPresent(2, 0), 1)),
    ROW("IsCompressed", Eq(D::IsCompressed(26), 0)),
    ROW("GetLargeDiskSize2GB_inByte", D::GetLargeDiskSize2GB_inByte(2, "C:\\", &(g_ull[0] = 0),
                                          &g_ull[1], nullptr) && Eq(g_ull[0] >= g_ull[1], 1)),
    ROW("GetLargeDiskSize2GB_inKB", Eq(D::GetLargeDiskSize2GB_inKB(2, "C:\\", g_u, 0, 0), 1)),
    ROW("IsVideoCD", Eq(D::IsVideoCD(2), 0)),
    ROW("IsPhotoCD", Eq(D::IsPhotoCD(2), 0)),
    ROW("IsAudioCD", Eq(D::IsAudioCD(26), 0)),
    ROW("IsDVD", Eq(D::IsDVD(26), 0)),

    ROW("CFileStatus_s(masks)", D::CFileStatus_s(In("ro.txt"), 0, 1, &(*g_i = -1)) && Eq(*g_i, 1)),
    ROW("IsDir", Status(D::IsDir, "sub", "a.txt")),
    ROW("IsDirHidden", Status(D::IsDirHidden, "hiddir", "sub")),
    ROW("IsFile", Status(D::IsFile, "a.txt", "sub")),
    ROW("IsFileWritable", Status(D::IsFileWritable, "a.txt", "ro.txt")),
    ROW("IsFileHidden", Status(D::IsFileHidden, "hid.txt", "a.txt")),
    ROW("CFileStatus_s(flags)", Eq(D::CFileStatus_s(In("hiddir"), &g_i[0], &g_i[1], &g_i[2],
                                                    &g_i[3], &g_i[4], &g_i[5], &g_i[6], &g_i[7],
                                                    &g_i[8]), 1) &&
                                    Eq(g_i[0], 0) && Eq(g_i[4], 1) && Eq(g_i[8], 1)),
    ROW("IsExist", Eq(D::IsExist(In("sub")), 1)),
    ROW("ChkFileAttrEx", Eq(D::ChkFileAttrEx(In("hid.txt"), 0, FILE_ATTRIBUTE_HIDDEN, nullptr), 1)),
    ROW("GetFileAttrEx(word)", D::GetFileAttrEx(In("ro.txt"), &(g_u[0] = 0)) &&
                                   Eq(g_u[0] & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY)),
    ROW("GetFileAttrEx(record)",
        D::GetFileAttrEx(In("a.txt"), &g_data) && Eq(g_data.nFileSizeLow, 5)),
    ROW("GetFileSizeInByte", D::GetFileSizeInByte(In("a.txt"), &(g_u[0] = 0)) && Eq(g_u[0], 5)),

    ROW("CanWeWriteDir", Eq(D::CanWeWriteDir(In("sub")), 1)),
    ROW("IsDirWriteable", Eq(D::IsDirWriteable(In("sub")), 1)),
    ROW("CanWeWriteFile", Eq(D::CanWeWriteFile(In("a.txt")), 0)),
    ROW("MyCreateDirectory", Eq(D::MyCreateDirectory(In("made"), 0), 1)),
    ROW("CreateDir_Recursively", D::CreateDir_Recursively(In("deep\\er")) && Exists("deep\\er")),
    ROW("MyRename", Put("old.txt", "x", 1) && Eq(D::MyRename(In("old.txt"), In("new.txt")), 1)),
    ROW("MyDelFile", Eq(D::MyDelFile(In("new.txt")), 1)),
    ROW("MyRemoveDirectory", Eq(D::MyRemoveDirectory(In("made")), 1)),
    ROW("DelSubFile", Put("sub\\x1.log", "1", 1) && Eq(D::DelSubFile(In("sub"), "*.log", 0), 1) &&
                          Eq(Exists("sub\\x1.log"), 0)),
    ROW("DelTree", Eq(D::DelTree(In("deep"), 0), 1)),

    ROW("MaybeNetworkPath", Eq(D::MaybeNetworkPath("\\\\srv\\s\\f"), 1)),
    // Refused before any socket: not a UNC path.
    ROW("PingHost", Eq(D::PingHost("C:\\x", 0, 1, 100), 0)),
    // ~(0x0201 + 0x0403 + 5)
    ROW("GetCheckSum", Eq(Access::CheckSum(g_bytes, 5), 0xF9F6)),

    ROW("GetVCD_cdtype", Eq(V::GetVCD_cdtype(In("video.vcd")), CDTYPE_VIDEO)),
    ROW("Is_CDROM", Eq(V::Is_CDROM(In("data.vcd")), 1)),
    ROW("Is_AUDIO", Eq(V::Is_AUDIO(In("audio.vcd")), 1)),
    ROW("Is_MIXED", Eq(V::Is_MIXED(In("Mix.VCD.D00")), 1)),
    ROW("Is_DVD", Eq(V::Is_DVD(In("Movie.DVD\\Movie.DVD.D00")), 1)),
    ROW("Is_CDEXTRA", Eq(V::Is_CDEXTRA(In("extra.vcd")), 1)),
    ROW("Is_PHOTO", Eq(V::Is_PHOTO(In("photo.vcd")), 1)),
    ROW("Is_VIDEO", Eq(V::Is_VIDEO(In("video.vcd")), 1)),
    ROW("Is_ISOGEN", Eq(V::Is_ISOGEN(In("isogen.vcd")), 1)),
    ROW("Is_Cluster", Eq(V::Is_Cluster(In("Mix.VCD.D00")), 1)),
    // The header's layout, as this compiler wrote it.
    ROW("GetDesc",
        Is(V::GetDesc(In("video.vcd"), g_a, &(g_i[0] = 0)), g_a, "Holiday 2009") && Eq(g_i[0], 42)),
    ROW("GetPathExtType", Eq(V::GetPathExtType("C:\\i\\a.Dvd.d07"), EXTTYPE_DVD)),
    ROW("IsVCDext", Eq(V::IsVCDext("a.VCD"), 1)),
    ROW("IsDVDext", Eq(V::IsDVDext("a.DVD.D01"), 1)),
    ROW("Is_MixedModeCD_ext", Eq(V::Is_MixedModeCD_ext("a.VCD.D00"), 1)),
    ROW("Is_Cluster_ext", Eq(V::Is_Cluster_ext("a.VCD.D01"), 1)),
    ROW("IsExt_dot_D_09_09", Eq(V::IsExt_dot_D_09_09(".d42"), 1)),
    ROW("IsMyExt_VCD_dot_D_09_09", Eq(V::IsMyExt_VCD_dot_D_09_09(".dvd.D00"), 1)),
    ROW("ParseMaster",
        Is(V::ParseMaster("C:\\i\\M.DVD\\M.DVD.D00", g_a, g_b), g_b, "C:\\i\\M.DVD\\M.DVD.D")),
    ROW("Vcd2Dvd_ext",
        Is(V::Vcd2Dvd_ext("C:\\i\\H.vcd", g_a, g_b, g_c), g_c, "C:\\i\\H.DVD\\H.DVD.D00")),

    // Bundles: Movie.DVD holds a master and two slaves, Mix a mixed-mode pair
    ROW("Get_DVD_AllNamelist",
        Eq(V::Get_DVD_AllNamelist(In("Movie.DVD\\Movie.DVD.D00"), g_list, g_a, &(g_i[0] = 0)), 1) &&
            Eq(g_i[0], 3) && Str(g_list[2], In("Movie.DVD\\Movie.DVD.D02"))),
    ROW("Get_Cluster_AllNamelist",
        Eq(V::Get_Cluster_AllNamelist(In("Mix.VCD.D00"), g_list, g_a, g_i), 1)),
    ROW("Get_VCDCluster_AllNamelist_internal",
        Eq(Access::Namelist(In("Mix.VCD.D00"), 0, g_list, g_a, g_i), 1)),
    ROW("IsValidDvdBundle", Is(V::IsValidDvdBundle(In("Movie.DVD\\Movie.DVD.D01"), g_a), g_a,
                               In("Movie.DVD\\Movie.DVD.D00"))),
    ROW("DelClusterBundle", Eq(V::DelClusterBundle(In("Movie.DVD\\Movie.DVD.D00")), DELBUNDLE_OK)),
    ROW("Del_ClusterBundle_Without_Verify",
        Eq(V::Del_ClusterBundle_Without_Verify(In("Mix.VCD.D00"), 0), 1)),
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
    D::DelTree(g_dir, 1);
    printf("%d of %d members failed\n", failed, static_cast<int>(sizeof kRows / sizeof kRows[0]));
    ::ExitProcess(failed == 0 ? 0 : 1);
}
