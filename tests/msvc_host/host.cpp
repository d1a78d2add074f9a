// A host of brenvik.dll as the Windows platform's own compiler builds one: the MSVC ABI,
// no C++ runtime, each exported static member called by its decorated name.
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

// A call that succeeded and whose string crossed the boundary intact.
bool Is(int result, const char *out, const char *want) { return result == 1 && !strcmp(out, want); }

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
    lstrcpyA(g_header.szDesc, "Hol");
    return Put(rel, &g_header, sizeof g_header);
}

bool Exists(const char *rel) { return ::GetFileAttributesA(In(rel)) != INVALID_FILE_ATTRIBUTES; }

// A status query: true for the entry named y, false for the one named n.
bool Status(int (*q)(const char *, int *), const char *y, const char *n)
{
    return q(In(y), nullptr) && !q(In(n), nullptr);
}

// A drive mask query: C: (bit 2) as given, the mask written either way.
bool Mask(int (*query)(unsigned long *), unsigned long cBit)
{
    unsigned long mask = cBit ? 0 : ~0ul;
    return query(&mask) == 1 && (mask & 4) == cBit;
}

SPLITFPATH_tag g_sp;
char g_a[MAX_PATH], g_b[MAX_PATH], g_c[MAX_PATH];
char g_l[100][260];
unsigned long g_u[4];
unsigned long long g_ull[3];
int g_i[9];
WIN32_FILE_ATTRIBUTE_DATA g_data;
unsigned char g_bytes[] = {1, 2, 3, 4, 5};

struct Row {
    const char *call;
    bool (*run)();
};

// One row per exported static member, named by its own text: the call and what shows
// its arguments and results crossed the boundary.
#define ROW(...) {#__VA_ARGS__, []() -> bool { return __VA_ARGS__; }}

using D = CDriveEx;
using V = CVcdImageEx;

const Row kRows[] = {
    // A record's compose right after its split.
    ROW(Is(D::SplitDrvpath_p("c:\\d\\f.gz", &g_sp), g_sp.drv.strFileExt, ".gz")),
    ROW(Is(D::ComposeDrvPath(g_a, &g_sp), g_a, "c:\\d\\f.gz")),
    ROW(Is(D::SplitUNC_p("\\\\s\\h\\d\\f.e", &g_sp), g_sp.unc.strFileTitle, "f")),
    ROW(Is(D::ComposeUNC(g_a, &g_sp), g_a, "\\\\s\\h\\d\\f.e")),
    ROW(Is(D::MySplitPath("\\\\c\\s\\d\\README", &g_sp, &(g_i[0] = -1)), g_sp.unc.strFilename,
           "README") && g_i[0] == 1),
    ROW(Is(D::GetTitleExt("C:\\dir\\file.ext", g_a, g_b, g_c), g_c, ".ext")),
    ROW(Is(D::Get_RootDirOfFilePath("C:\\d\\f.e", g_a, g_i), g_a, "C:\\")),
    ROW(Is(D::ComposeUNC(g_a, "s", "h", "d", "f", ".e"), g_a, "\\\\s\\h\\d\\f.e")),
    ROW(Is(D::ComposeDrvPath(g_a, "C:\\", "d", "f", ".e"), g_a, "C:\\d\\f.e")),
    ROW(D::IsFilenameValid("a b.txt") && D::IsFilenameValid_ignore_bs_colon("C:\\a")),
    ROW(Access::Validate("", 7) == 7 && D::Is_FilePath_DirPath_Valid("C:\\dir\\f.txt") == 1),
    ROW(Is(D::ChkFullPath_s("C:\\dir\\File.TXT", 1, 1, 0, g_a, g_b, g_c, g_i), g_c, "txt")),
    ROW(Is(D::MkFullPath_s("C:\\d", "f.vcd", g_a, 1, 1, 0), g_a, "C:\\d\\f.vcd")),
    ROW(Is(D::GetFileExt("C:\\d\\a.tar.gz", g_a), g_a, "gz")),
    ROW(Is(D::ChgPathExt("C:\\d\\a.txt", ".bak", g_a), g_a, "C:\\d\\a.bak")),
    ROW(Is(D::AddPrefix2FileTitle("C:\\d\\a.txt", "p_", "_q", g_a), g_a, "C:\\d\\p_a_q.txt")),
    ROW(Is(D::ChgExtname("C:\\d\\a.txt", ".bak", g_a, g_b), g_b, ".txt")),
    ROW(Is(D::GetDirOf("C:\\d\\e\\a.txt", g_a), g_a, "C:\\d\\e\\")),

    // Drives: Wine's C: is a fixed disk; 26 is no drive at all
    ROW(!D::IsCdDrive(2) && !D::IsRemovableDrive(2) && !D::IsRamDrive(2) && !D::IsNetworkDrive(2)),
    ROW(D::IsLocalHDDrive(2) && Access::IsDrvType(2, DRIVE_FIXED)),
    ROW(Mask(D::GetCdDrvLst, 0) && Mask(D::GetRemovableDrvLst, 0) && Mask(D::GetRamDrvLst, 0) &&
        Mask(D::GetNetworkDrvLst, 0)),
    ROW(Access::GetAllLst(&(g_u[0] = 0), DRIVE_FIXED) && (g_u[0] & 4)),
    ROW(D::GetDriveType_Ex("C:\\") == DRIVE_FIXED && D::Drv_Int2Letter(25, g_a) && g_a[0] == 'Z'),
    ROW(D::Drv_Char2Int('d', g_i) && g_i[0] == 3 && D::Drv_Letter2Int("C:\\", g_i) && g_i[0] == 2),
    ROW(D::InRange(5, 5, 9) && D::Is_0_25(25) && Mask(D::GetLocalHDDrvLst, 4)),

    ROW(D::My_GetDiskFreeSpace(2, g_u, g_u + 1, g_u + 2, g_u + 3) && g_u[1]),
    ROW(D::GetCdSize(2, &(g_u[0] = 0)) && g_u[0] != 0),
    ROW(D::GetVolName(2, g_a) && D::IsDiskPresent(2, 0)),
    ROW(D::GetLargeDiskSize2GB_inKB(2, "C:\\", g_u, 0, 0) &&
        D::GetLargeDiskSize2GB_inByte(2, "C:\\", g_ull, g_ull + 1, nullptr) && g_ull[0]),
    ROW(!D::IsVideoCD(2) && !D::IsPhotoCD(2) && !D::IsAudioCD(26) && !D::IsDVD(26) &&
        !D::IsCompressed(26)),

    ROW(D::CFileStatus_s(In("ro"), 0, 1, &(*g_i = -1)) && *g_i == 1),
    ROW(Status(D::IsDir, "sub", "a.txt") && Status(D::IsFile, "a.txt", "sub")),
    ROW(Status(D::IsDirHidden, "hd", "sub") && Status(D::IsFileHidden, "h", "a.txt")),
    ROW(Status(D::IsFileWritable, "a.txt", "ro") && D::IsExist(In("sub")) == 1),
    ROW(D::CFileStatus_s(In("hd"), g_i, g_i + 1, g_i + 2, g_i + 3, g_i + 4, g_i + 5, g_i + 6,
                         g_i + 7, g_i + 8) && g_i[4] && g_i[8] && !g_i[0]),
    ROW(D::ChkFileAttrEx(In("h"), 0, FILE_ATTRIBUTE_HIDDEN, nullptr) == 1),
    ROW(D::GetFileAttrEx(In("ro"), &(g_u[0] = 0)) && (g_u[0] & 1)),
    ROW(D::GetFileAttrEx(In("a.txt"), &g_data) && g_data.nFileSizeLow),
    ROW(D::GetFileSizeInByte(In("a.txt"), &(g_u[0] = 0)) && g_u[0] == 5),

    ROW(D::CanWeWriteDir(In("sub")) && D::IsDirWriteable(In("sub"))),
    ROW(D::MyCreateDirectory(In("m"), 0) && D::MyRemoveDirectory(In("m"))),
    ROW(D::CreateDir_Recursively(In("deep\\er")) && Exists("deep\\er")),
    ROW(D::MyRename(In("o"), In("n")) && D::MyDelFile(In("n"))),
    ROW(Put("sub\\x.log", "1", 1) && D::DelSubFile(In("sub"), "*.log", 0) && !Exists("sub\\x.log")),
    ROW(D::CanWeWriteFile(In("a.txt")) == 0 && D::DelTree(In("deep"), 0) == 1),

    // PingHost refuses before any socket: not a UNC path.
    ROW(D::MaybeNetworkPath("\\\\s\\h\\f") && !D::PingHost("C:\\x", 0, 1, 100)),
    // ~(0x0201 + 0x0403 + 5)
    ROW(Access::CheckSum(g_bytes, 5) == 0xF9F6 && V::GetVCD_cdtype(In("vid.vcd")) == CDTYPE_VIDEO),
    ROW(V::Is_CDROM(In("cd.vcd")) && V::Is_AUDIO(In("au.vcd")) && V::Is_CDEXTRA(In("ex.vcd"))),
    ROW(V::Is_PHOTO(In("ph.vcd")) && V::Is_VIDEO(In("vid.vcd")) && V::Is_ISOGEN(In("iso.vcd"))),
    ROW(V::Is_MIXED(In("X.VCD.D00")) && V::Is_Cluster(In("X.VCD.D00"))),
    // The header's layout, as this compiler wrote it.
    ROW(Is(V::GetDesc(In("vid.vcd"), g_a, &(g_i[0] = 0)), g_a, "Hol") && g_i[0] == 42),
    ROW(V::GetPathExtType("C:\\i\\a.Dvd.d07") == EXTTYPE_DVD),
    ROW(V::IsVCDext("a.VCD") && V::IsDVDext("a.DVD.D01") && V::Is_DVD(In("M.DVD\\M.DVD.D00")) == 1),
    ROW(V::Is_MixedModeCD_ext("a.VCD.D00") && V::Is_Cluster_ext("a.VCD.D01")),
    ROW(V::IsExt_dot_D_09_09(".d42") && V::IsMyExt_VCD_dot_D_09_09(".dvd.D00")),
    ROW(Is(V::ParseMaster("C:\\M.DVD\\M.DVD.D00", g_a, g_b), g_a, "C:\\M.DVD\\")),
    ROW(Is(V::Vcd2Dvd_ext("C:\\H.vcd", g_a, g_b, g_c), g_c, "C:\\H.DVD\\H.DVD.D00")),

    // Bundles: M.DVD holds a master and two slaves, X a mixed-mode pair
    ROW(V::Get_DVD_AllNamelist(In("M.DVD\\M.DVD.D00"), g_l, g_a, g_i) &&
        !strcmp(g_l[2], In("M.DVD\\M.DVD.D02"))),
    ROW(V::Get_Cluster_AllNamelist(In("X.VCD.D00"), g_l, g_a, g_i)),
    ROW(Access::Namelist(In("X.VCD.D00"), 0, g_l, g_a, g_i)),
    ROW(Is(V::IsValidDvdBundle(In("M.DVD\\M.DVD.D01"), g_a), g_a, In("M.DVD\\M.DVD.D00"))),
    ROW(V::DelClusterBundle(In("M.DVD\\M.DVD.D00")) == DELBUNDLE_OK),
    ROW(V::Del_ClusterBundle_Without_Verify(In("X.VCD.D00"), 0) && !Exists("X.VCD.D01")),
};

bool MakeFiles()
{
    bool ok = ::CreateDirectoryA(g_dir, nullptr) && Put("a.txt", "hello", 5) && Put("o", "", 0) &&
              Put("ro", "r", 1) && Put("h", "h", 1) && ::CreateDirectoryA(In("sub"), nullptr) &&
              ::CreateDirectoryA(In("hd"), nullptr) && ::CreateDirectoryA(In("M.DVD"), nullptr) &&
              ::SetFileAttributesA(In("ro"), FILE_ATTRIBUTE_READONLY) &&
              ::SetFileAttributesA(In("h"), FILE_ATTRIBUTE_HIDDEN) &&
              ::SetFileAttributesA(In("hd"), FILE_ATTRIBUTE_HIDDEN);
    ok = ok && WriteImage("cd.vcd", 0, 0, 0) && WriteImage("au.vcd", 256, 0, 0) &&
         WriteImage("vid.vcd", 0, 4, 0) && WriteImage("ph.vcd", 0, 3, 0) &&
         WriteImage("ex.vcd", 0, 2, 0) && WriteImage("iso.vcd", 0, 6, 0) &&
         WriteImage("X.VCD.D00", 0, 1, 1) && Put("X.VCD.D01", "s", 1);
    return ok && WriteImage("M.DVD\\M.DVD.D00", 4096, 0, 2) && Put("M.DVD\\M.DVD.D01", "1", 1) &&
           Put("M.DVD\\M.DVD.D02", "2", 1);
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
        printf("%-6s %s\n", ok ? "ok" : "FAILED", row.call);
        failed += ok ? 0 : 1;
    }
    ::SetFileAttributesA(In("ro"), FILE_ATTRIBUTE_NORMAL);
    D::DelTree(g_dir, 1);
    printf("%d of %d members failed\n", failed, static_cast<int>(sizeof kRows / sizeof kRows[0]));
    ::ExitProcess(failed == 0 ? 0 : 1);
}
