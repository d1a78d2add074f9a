/*
 * Brenvik: drives, Windows paths, files and disc-image files for a
 * disc-burning application.
 *
 * Every function takes NUL-terminated multibyte strings and writes into
 * caller-owned buffers. A parameter whose name ends in _MAXPATH is a buffer
 * of BRENVIK_MAX_PATH (260) bytes.
 */
#ifndef BRENVIK_BRENVIK_H
#define BRENVIK_BRENVIK_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#endif

/* BRENVIK_BUILDING: compiling the library itself.
 * BRENVIK_STATIC: linking the library's objects statically (the tests). */
#if defined(_WIN32)
#  if defined(BRENVIK_BUILDING)
#    define BRENVIK_API __declspec(dllexport)
#  elif defined(BRENVIK_STATIC)
#    define BRENVIK_API
#  else
#    define BRENVIK_API __declspec(dllimport)
#  endif
#else
#  define BRENVIK_API __attribute__((visibility("default")))
#endif

#define BRENVIK_MAX_PATH 260

/* ---- What the signatures need where there are no Windows headers -------- */
#if !defined(_WIN32)
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int UINT;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef void *HANDLE;
#  ifndef TRUE
#    define TRUE 1
#  endif
#  ifndef FALSE
#    define FALSE 0
#  endif
#  ifndef MAX_PATH
#    define MAX_PATH 260
#  endif

typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;

typedef struct _WIN32_FILE_ATTRIBUTE_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
} WIN32_FILE_ATTRIBUTE_DATA, *LPWIN32_FILE_ATTRIBUTE_DATA;
#endif

/* ---- Result codes -------------------------------------------------------- */

/* Kinds of disc, the result of CVcdImageEx::GetVCD_cdtype. */
enum : unsigned long {
    CDTYPE_CDROM = 1,
    CDTYPE_AUDIO = 2,
    CDTYPE_MIXED = 3,
    CDTYPE_DVD = 4,
    CDTYPE_CDEXTRA = 5,
    CDTYPE_PHOTO = 6,
    CDTYPE_VIDEO = 7,
    CDTYPE_ISOGEN = 8,
    CDTYPE_INVALID = 0xFFFFFFFFUL
};

/* Extension classes, the result of CVcdImageEx::GetPathExtType. */
enum {
    EXTTYPE_NONE = 0,
    EXTTYPE_VCD = 1,
    EXTTYPE_DVD = 2,
    EXTTYPE_MIXEDMODE = 3
};

/* Results of CVcdImageEx::DelClusterBundle. */
enum : unsigned long {
    DELBUNDLE_OK = 0,
    DELBUNDLE_NOT_CLUSTER = 2,
    DELBUNDLE_NO_NAMELIST = 4,
    DELBUNDLE_MEMBER_FAILED = 6,
    DELBUNDLE_DIR_FAILED = 8
};

/* ---- Records ------------------------------------------------------------- */

struct SPLITUNC_tag {
    uint32_t nReserved;
    char strOrgPath[BRENVIK_MAX_PATH];
    char strComputer_name[BRENVIK_MAX_PATH];
    char strShare_name[BRENVIK_MAX_PATH];
    char strDir[BRENVIK_MAX_PATH];
    char strFilename[BRENVIK_MAX_PATH];
    char strFileTitle[BRENVIK_MAX_PATH];
    char strFileExt[BRENVIK_MAX_PATH];
};

struct SPLITDRV_tag {
    uint32_t nReserved;
    char strOrgPath[BRENVIK_MAX_PATH];
    char strDrv[BRENVIK_MAX_PATH];
    char strDir[BRENVIK_MAX_PATH];
    char strFilename[BRENVIK_MAX_PATH];
    char strFileTitle[BRENVIK_MAX_PATH];
    char strFileExt[BRENVIK_MAX_PATH];
};

struct SPLITFPATH_tag {
    SPLITUNC_tag unc;
    SPLITDRV_tag drv;
};

/* The header at the start of an image file, byte for byte as stored. The
 * words are little-endian in the file; read them with the library's
 * accessors on a big-endian host. */
#pragma pack(push, 1)
struct VCDHEADER_tag {
    uint8_t bReserved0[16];
    uint32_t dwDescInfo;       /* offset 16 */
    uint8_t bReserved1[24];
    uint32_t dwMediaFormat;    /* offset 44 */
    char szDesc[256];          /* offset 48 */
    uint8_t bReserved2[64];
    uint32_t dwSlaveCount;     /* offset 368 */
    uint32_t dwReserved3;      /* offset 372 */
    uint32_t dwDiscKind;       /* offset 376 */
    uint8_t bReserved4[2562];  /* offset 380 up to 2942 */
};
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(VCDHEADER_tag) == 2942, "image header is 2942 bytes");
static_assert(offsetof(VCDHEADER_tag, dwDescInfo) == 16, "dwDescInfo at 16");
static_assert(offsetof(VCDHEADER_tag, dwMediaFormat) == 44, "dwMediaFormat at 44");
static_assert(offsetof(VCDHEADER_tag, szDesc) == 48, "szDesc at 48");
static_assert(offsetof(VCDHEADER_tag, dwSlaveCount) == 368, "dwSlaveCount at 368");
static_assert(offsetof(VCDHEADER_tag, dwDiscKind) == 376, "dwDiscKind at 376");
#endif

/* ---- The class-library layer the exported classes stand on --------------- */

class CArchive;
class CDumpContext;
class CObject;

struct BRENVIK_API CRuntimeClass {
    const char *m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;
    CObject *(*m_pfnCreateObject)();
    CRuntimeClass *m_pBaseClass;
    CRuntimeClass *m_pNextClass;

    BOOL IsDerivedFrom(const CRuntimeClass *pBaseClass) const;
};

class BRENVIK_API CObject {
public:
    virtual CRuntimeClass *GetRuntimeClass() const;
    virtual ~CObject();
    virtual void Serialize(CArchive &ar);
    virtual void AssertValid() const;
    virtual void Dump(CDumpContext &dc) const;

    BOOL IsKindOf(const CRuntimeClass *pClass) const;

    static CRuntimeClass classCObject;

protected:
    CObject();

private:
    CObject(const CObject &);
    void operator=(const CObject &);
};

class CFile;

/* What CFile::GetStatus reports. Times are seconds since 1970 (UTC). */
struct BRENVIK_API CFileStatus {
    int64_t m_ctime;
    int64_t m_mtime;
    int64_t m_atime;
    LONG m_size;
    BYTE m_attribute;
    BYTE m_padding;
    char m_szFullName[BRENVIK_MAX_PATH];
};

/* Thrown by value by CFile's operations that fail; CFile::Open reports
 * through an optional one instead. */
class BRENVIK_API CFileException : public CObject {
public:
    enum {
        none,
        generic,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    explicit CFileException(int cause = none, LONG lOsError = -1,
                            const char *pstrFileName = nullptr);
    CFileException(const CFileException &other);
    CFileException &operator=(const CFileException &other);
    virtual ~CFileException();

    /* The cause for a Win32 error code. */
    static int OsErrorToException(LONG lOsError);
    [[noreturn]] static void ThrowOsError(LONG lOsError, const char *pstrFileName = nullptr);

    int m_cause;
    LONG m_lOsError;
    char m_strFileName[BRENVIK_MAX_PATH];
};

class BRENVIK_API CFile : public CObject {
public:
    enum OpenFlags {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000
    };
    enum Attribute {
        normal = 0x00,
        readOnly = 0x01,
        hidden = 0x02,
        system = 0x04,
        volume = 0x08,
        directory = 0x10,
        archive = 0x20
    };
    enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };

    static const HANDLE hFileNull;

    CFile();
    /* Opens at once; throws CFileException on failure. */
    CFile(const char *lpszFileName, UINT nOpenFlags);
    virtual ~CFile();

    virtual BOOL Open(const char *lpszFileName, UINT nOpenFlags,
                      CFileException *pError = nullptr);
    virtual void Close();
    /* Closes without throwing. */
    virtual void Abort();
    virtual LONG Seek(LONG lOff, UINT nFrom);
    virtual DWORD GetLength() const;
    virtual DWORD GetPosition() const;
    virtual UINT Read(void *lpBuf, UINT nCount);
    virtual void Write(const void *lpBuf, UINT nCount);
    DWORD SeekToEnd();
    void SeekToBegin();

    BOOL GetStatus(CFileStatus &rStatus) const;
    static BOOL GetStatus(const char *lpszFileName, CFileStatus &rStatus);
    static void Rename(const char *lpszOldName, const char *lpszNewName);
    static void Remove(const char *lpszFileName);

    const char *GetFilePath() const { return m_strFileName; }

    HANDLE m_hFile;

protected:
    BOOL m_bCloseOnDelete;
    char m_strFileName[BRENVIK_MAX_PATH];

private:
    CFile(const CFile &);
    void operator=(const CFile &);
};

/* ---- The exported classes ------------------------------------------------ */

struct BrenvikTestAccess; /* the test suite's window on private members */

class BRENVIK_API CDriveEx : public CObject {
public:
    CDriveEx();
    virtual ~CDriveEx();

    /* Split path record and path splitting */
    static int SplitUNC_p(const char *strOrgPath, SPLITFPATH_tag *pSplitFPath);
    static int SplitDrvpath_p(const char *strOrgPath, SPLITFPATH_tag *pSplitFPath);
    static int MySplitPath(const char *strOrgPath, SPLITFPATH_tag *pSplitFPath, int *pIsUNC);
    static int GetTitleExt(const char *strOrgPath, char *pFilename_MAXPATH,
                           char *pTitle_MAXPATH, char *pExt_MAXPATH);
    static int Get_RootDirOfFilePath(const char *strOrgPath, char *pRootDir_MAXPATH,
                                     int *pIsUNC);

    /* Path composition */
    static int ComposeUNC(char *pResult_MAXPATH, const char *strComputer_name,
                          const char *strShare_name, const char *strDir,
                          const char *strFileTitle, const char *strFileExt);
    static int ComposeUNC(char *pResult_MAXPATH, const SPLITFPATH_tag *pSplitFPath);
    static int ComposeDrvPath(char *pResult_MAXPATH, const char *strDrv, const char *strDir,
                              const char *strFileTitle, const char *strFileExt);
    static int ComposeDrvPath(char *pResult_MAXPATH, const SPLITFPATH_tag *pSplitFPath);

    /* Name and path validation */
    static int IsFilenameValid(const char *strFilename);
    static int IsFilenameValid_ignore_bs_colon(const char *strFilename);
    static int Is_FilePath_DirPath_Valid(const char *strPath);
    static int ChkFullPath_s(const char *strFullPath, int bUNC, int bDrvPath, int bFloppy,
                             char *pDir_MAXPATH, char *pFilename_MAXPATH, char *pExt_MAXPATH,
                             int *pErrCode);
    static int MkFullPath_s(const char *strDir, const char *strFilename, char *pResult_MAXPATH,
                            int bUNC, int bDrvPath, int bFloppy);

    /* File title and extension operations */
    static int GetFileExt(const char *strPath, char *pExt_MAXPATH);
    static int ChgPathExt(const char *strOrgPath, const char *strNewExt, char *pResult_MAXPATH);
    static int AddPrefix2FileTitle(const char *strOrgPath, const char *strPrefix,
                                   const char *strPostfix, char *pResult_MAXPATH);
    static int ChgExtname(const char *strPath, const char *strNewExt, char *pNewPath_MAXPATH,
                          char *pOldExt_MAXPATH);
    static int GetDirOf(const char *strPath, char *pDir_MAXPATH);

    /* Drive classification and enumeration */
    static int IsCdDrive(int nDrive);
    static int IsRemovableDrive(int nDrive);
    static int IsRamDrive(int nDrive);
    static int IsNetworkDrive(int nDrive);
    static int IsLocalHDDrive(int nDrive);
    static int GetCdDrvLst(unsigned long *pDrvMask);
    static int GetRemovableDrvLst(unsigned long *pDrvMask);
    static int GetRamDrvLst(unsigned long *pDrvMask);
    static int GetNetworkDrvLst(unsigned long *pDrvMask);
    static int GetLocalHDDrvLst(unsigned long *pDrvMask);
    static unsigned int GetDriveType_Ex(const char *strRootPath);
    static int Drv_Int2Letter(int nDrive, char *pLetter);
    static int Drv_Char2Int(char cLetter, int *pDrive);
    static int Drv_Letter2Int(const char *strLetter, int *pDrive);
    static int InRange(int nValue, int nLow, int nHigh);
    static int Is_0_25(int nValue);

    /* Capacity and volume queries */
    static int My_GetDiskFreeSpace(int nDrive, unsigned long *pSectorsPerCluster,
                                   unsigned long *pBytesPerSector,
                                   unsigned long *pNumberOfFreeClusters,
                                   unsigned long *pTotalNumberOfClusters);
    static int GetCdSize(int nDrive, unsigned long *pSize);
    static int GetVolName(int nDrive, char *pVolName);
    static int IsDiskPresent(int nDrive, int nUnused);
    static int IsCompressed(int nDrive);
    static int GetLargeDiskSize2GB_inByte(int nDrive, const char *strPath,
                                          unsigned long long *pTotalBytes,
                                          unsigned long long *pTotalFreeBytes,
                                          unsigned long long *pFreeBytesAvailable);
    static int GetLargeDiskSize2GB_inKB(int nDrive, const char *strPath,
                                        unsigned long *pTotalKB, unsigned long *pTotalFreeKB,
                                        unsigned long *pFreeAvailableKB);

    /* Disc content detection */
    static int IsVideoCD(int nDrive);
    static int IsPhotoCD(int nDrive);
    static int IsAudioCD(int nDrive);
    static int IsDVD(int nDrive);

    /* Attribute and status queries */
    static int CFileStatus_s(const char *strPath, int nMustBeClear, int nMustBeSet, int *pExist);
    static int IsDir(const char *strPath, int *pExist);
    static int IsDirHidden(const char *strPath, int *pExist);
    static int IsFile(const char *strPath, int *pExist);
    static int IsFileWritable(const char *strPath, int *pExist);
    static int IsFileHidden(const char *strPath, int *pExist);
    static int CFileStatus_s(const char *strPath, int *pIsFile, int *pIsFileWritable,
                             int *pIsFileHidden, int *pIsDir, int *pIsDirHidden, int *pIsSystem,
                             int *pIsVolume, int *pIsArchive, int *pExist);
    static int IsExist(const char *strPath);
    static int ChkFileAttrEx(const char *strPath, unsigned long dwMustBeClear,
                             unsigned long dwMustBeSet, int *pExist);
    static int GetFileAttrEx(const char *strPath, unsigned long *pAttr);
    static int GetFileAttrEx(const char *strPath, struct _WIN32_FILE_ATTRIBUTE_DATA *pData);
    static int GetFileSizeInByte(const char *strPath, unsigned long *pSize);
    static int GetFileSizeInByte(CFile &file, unsigned long *pSize);

    /* Write-access probes */
    static int CanWeWriteDir(const char *strDir);
    static int IsDirWriteable(const char *strDir);
    static int CanWeWriteFile(const char *csFilePath);

    /* Create, rename and delete */
    static int MyCreateDirectory(const char *strPath, int bOkIfExist);
    static int CreateDir_Recursively(const char *strPath);
    static int MyRename(const char *strOldPath, const char *strNewPath);
    static int MyDelFile(const char *strPath);
    static int MyRemoveDirectory(const char *strPath);
    static int DelSubFile(const char *strDir, const char *strPattern, int bDelSystem);
    static int DelTree(const char *strDir, int bDelSystem);

    /* Network path classification and host ping */
    static unsigned long MaybeNetworkPath(const char *strPath);
    static int PingHost(const char *DestPath, int bIsNetworkDrive, unsigned int PingTimes,
                        unsigned int RequestTime);

private:
    friend struct BrenvikTestAccess;

    static int ValidateMultiDirLevel_p(const char *strDirPath, int bResultIfEmpty);
    static int IsDrvType_pri(int nDrive, unsigned int nType);
    static int GetAllLst_pri(unsigned long *pDrvMask, unsigned int nType);
    static unsigned short GetCheckSum(unsigned char *pBuffer, unsigned long nLength);
};

class BRENVIK_API CVcdImageEx : public CObject {
public:
    /* Reloads the trace settings. */
    CVcdImageEx();
    virtual ~CVcdImageEx();

    /* Image type queries and description */
    static unsigned long GetVCD_cdtype(const char *strVcdFname);
    static int Is_CDROM(const char *strVcdFname);
    static int Is_AUDIO(const char *strVcdFname);
    static int Is_MIXED(const char *strVcdFname);
    static int Is_DVD(const char *strVcdFname);
    static int Is_CDEXTRA(const char *strVcdFname);
    static int Is_PHOTO(const char *strVcdFname);
    static int Is_VIDEO(const char *strVcdFname);
    static int Is_ISOGEN(const char *strVcdFname);
    static int Is_Cluster(const char *strVcdFname);
    static int GetDesc(const char *strVcdFname, char *strDesc_MAXPATH, int *pDescInfo);

    /* Image file naming and extension classes */
    static int GetPathExtType(const char *strPath);
    static int IsVCDext(const char *strPath);
    static int IsDVDext(const char *strPath);
    static int Is_MixedModeCD_ext(const char *strPath);
    static int Is_Cluster_ext(const char *strPath);
    static int IsExt_dot_D_09_09(const char *strExt);
    static int IsMyExt_VCD_dot_D_09_09(const char *strExt);
    static int ParseMaster(const char *strMaster, char *strDvdDir_MAXPATH,
                           char *strDvdPathPre_MAXPATH);
    static int Vcd2Dvd_ext(const char *strMaster, char *strDvdDir_MAXPATH,
                           char *strDvdPathPre_MAXPATH, char *strDvdMaster_MAXPATH);

    /* Split image bundles */
    static int Get_DVD_AllNamelist(const char *strClusterMaterFile, char (*const pNamelist)[260],
                                   char *strDvdDir, int *pCount);
    static int Get_Cluster_AllNamelist(const char *strClusterMaterFile,
                                       char (*const pNamelist)[260], char *strDvdDir,
                                       int *pCount);
    static int IsValidDvdBundle(const char *strPath, char *strDVDMasterFile_MAXPATH);
    static unsigned long DelClusterBundle(const char *strDvdMaster);
    static int Del_ClusterBundle_Without_Verify(const char *strClusterMasterFile, int bRemoveDir);

private:
    friend struct BrenvikTestAccess;

    static int Get_VCDCluster_AllNamelist_internal(const char *strClusterMaterFile, int bDvdOnly,
                                                   char (*const pNamelist)[260],
                                                   char *strDvdDir, int *pCount);
};

#if !defined(_WIN32)
/* Where the text sent to the debugger output goes on this platform: by
 * default to the file named by BRENVIK_DEBUG_OUTPUT ("-" for standard error),
 * or nowhere. A receiver installed here gets every string instead, exactly as
 * sent; a null receiver restores the default. */
extern "C" BRENVIK_API void brenvik_set_debug_output(void (*receiver)(const char *text,
                                                                      void *context),
                                                     void *context);
#endif

#endif /* BRENVIK_BRENVIK_H */
