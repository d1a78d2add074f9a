/**
 * @file brenvik.h
 * @brief Brenvik: drives, Windows paths, files and disc-image files for a
 * disc-burning application.
 *
 * Every function is a static member of CDriveEx or CVcdImageEx, takes
 * NUL-terminated multibyte strings and writes into caller-owned buffers. A
 * parameter whose name ends in `_MAXPATH` is a buffer of #BRENVIK_MAX_PATH
 * (260) bytes.
 *
 * Conventions that hold for every member unless its own description says
 * otherwise:
 * - Results are 1 (success, true) or 0 (failure, false). Failures are reported
 *   by the result alone; the platform's last error stays as the failing call
 *   set it, and no exception leaves the library.
 * - Pointer out-parameters to integers are optional (null: not wanted); the
 *   required ones are named.
 * - A path or a result of 260 characters or more does not fit a path buffer:
 *   it is refused with 0 before anything is written.
 * - "Traces" means a line on the debugger output, sent only while the trace
 *   is enabled (see @ref frame). A missing required argument is traced as
 *   `Class::Function BAD NULL ...name \n`.
 * - A drive number is 0 to 25 for the letters A to Z.
 *
 * @par On Linux
 * Windows paths are mapped onto the host through a registry file (see the
 * README): drives, shares and remembered network connections are configured
 * there, and without one `C:` is the host root `/` and no other letter
 * exists. Read-only is a file without owner write permission; hidden is a
 * name that begins with a dot or the hidden bit of the extended attribute
 * `user.DOSATTRIB`, which also holds the system and archive bits. Files opened
 * through the library honour Windows share modes against every other opener
 * that uses the library, across processes. Message boxes are written to
 * standard error and count as closed with OK.
 */
#ifndef BRENVIK_BRENVIK_H
#define BRENVIK_BRENVIK_H

/**
 * @defgroup frame Frame and trace
 * @brief The two exported classes, the module's load and unload, and the
 * debug trace.
 *
 * The path model, the host ping and the image functions trace what they do
 * as lines on the debugger output: `Orlo DbgMessage:` + message + ` FILE:` +
 * source file name + ` LINE:` + line number + one blank, with no newline of
 * its own (most messages end in ` \n`). Lines are sent only while the
 * registry value `DebugLevel` under `HKEY_LOCAL_MACHINE\SOFTWARE\OrloDebug`
 * is 1 or more; the value is read when the library is loaded and again
 * whenever a CVcdImageEx is constructed. The drive and file-system functions
 * write no trace lines. Each thread formats its lines in buffers of its own,
 * so the lines of calls on several threads do not mix.
 *
 * @par On Linux
 * The registry is the `.reg` file described in the README. Debugger output is appended to the file named by
 * `BRENVIK_DEBUG_OUTPUT` (`-` for standard error), or discarded when it is
 * unset; brenvik_set_debug_output() installs a receiver of the program's own.
 *
 * @defgroup pathmodel Path model
 * @brief Splitting, composing, validating and renaming Windows paths:
 * string work only, nothing touches the file system.
 *
 * Two forms: a UNC path begins with two backslashes
 * (`\\computer\share\dir\file.ext`); every other path is a drive path and
 * splits only when it begins with a letter, a colon and a backslash
 * (`C:\dir\file.ext`). Pieces are copied as they stand: no trimming, no case
 * change, no slash conversion, no resolution of `.` or `..`.
 *
 * Forbidden characters: a file name may not hold a backslash, slash, colon,
 * asterisk, question mark, double quote, less-than, greater-than or vertical
 * bar (the file-name set); a path may not hold the same without backslash
 * and colon (the path set; colons are judged by position).
 *
 * @defgroup drives Drives and volumes
 * @brief Drive numbers and letters, drive types and masks, free space and
 * capacity, volume labels, medium presence, disc content.
 *
 * A drive's root path is the upper-case letter, a colon and a backslash. A
 * drive mask has bit n set when drive number n has the asked property; bits
 * 26 to 31 are always 0. Drive type codes are those of the platform:
 * 0 unknown, 1 no such root, 2 removable, 3 fixed, 4 remote (network),
 * 5 CD-ROM, 6 RAM disk. Nothing is cached and nothing is traced.
 *
 * @par On Linux
 * Drives are the `Drives` keys of the registry file, each with a host
 * directory (`Path`), a `Type` (`fixed`, `removable`, `cdrom`, `remote`,
 * `ramdisk`), and optionally `Label` and `Compressed`. A drive whose `Path`
 * is not an existing directory is a drive without a medium: its type stands,
 * its volume queries fail. With no drive configured, `C:` is `/`, a fixed
 * drive. Free space comes from the host file system (512-byte sectors,
 * 2048 on a CD drive; a cluster is the file system's fragment size); the
 * label is the configured one, else the one the system knows for the device
 * (`/dev/disk/by-label`), else empty.
 *
 * @defgroup fileops File operations
 * @brief Attribute and status queries, write-access probes, and creating,
 * renaming and deleting files, directories and trees.
 *
 * The single-entry deletes count an entry that is already gone as deleted,
 * and the pattern, tree and bundle deletions built on them inherit that rule.
 * Partial work is never rolled back. Nothing here is traced.
 *
 * Attribute bits, the same in the status byte and the attribute word:
 * 0x01 read-only, 0x02 hidden, 0x04 system, 0x08 volume label, 0x10
 * directory, 0x20 archive. An attribute test is a pair of masks: every bit of
 * the must-be-set mask set, every bit of the must-be-clear mask clear.
 *
 * @par On Linux
 * Read-only is a file whose owner has no write permission; hidden is a name
 * that begins with a dot, or the hidden bit of the extended attribute
 * `user.DOSATTRIB` (kept as Samba and Wine keep it), which also holds the
 * system and archive bits. Where the file system has no extended
 * attributes, only read-only, hidden-by-dot and directory are known. A file
 * held open through the library without delete sharing cannot be deleted (a
 * sharing violation), also from another process.
 *
 * @defgroup net Network
 * @brief Telling network paths from local ones, and pinging the computer
 * behind a network path.
 *
 * @par On Linux
 * Shares are the `Shares` keys of the registry file and remembered
 * connections the `HKEY_CURRENT_USER\Network` keys: a letter whose share is
 * configured and present is a network drive; one whose share is not is an
 * unavailable connection, which still counts as a network drive.
 *
 * @defgroup images Disc images
 * @brief Image headers, image kinds and descriptions, image file names, and
 * split image bundles.
 *
 * A single image is one file `T.VCD`. A split image is a bundle: a master
 * `….D00` that carries the header, and slaves numbered from 01 with the same
 * title. A DVD bundle is `T.DVD.D00`, `T.DVD.D01`, … in its own directory
 * `T.DVD`; a mixed-mode or CD-Extra bundle is exactly `T.VCD.D00` and
 * `T.VCD.D01`. Member numbers have two digits, so a bundle has at most 100
 * files. The fixed parts of names match in any letter case. The library reads
 * image files and deletes them; it never creates or writes one.
 *
 * @defgroup classlib Class-library layer
 * @brief The class-library types the exported classes and their signatures
 * stand on, and the Windows types a platform without the Windows headers
 * lacks.
 *
 * CFile is needed by CDriveEx::GetFileSizeInByte(CFile &, unsigned long *);
 * files opened with it honour the Windows access and share modes.
 */

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
/** Marks what the library exports (the two classes, the class-library layer
 * and brenvik_set_debug_output()). */
#  define BRENVIK_API __attribute__((visibility("default")))
#endif

/** @ingroup pathmodel
 * The size in bytes of every path buffer (parameters ending in `_MAXPATH`,
 * and each string of the split-path record): 260, the platform's MAX_PATH. */
#define BRENVIK_MAX_PATH 260

/* ---- What the signatures need where there are no Windows headers -------- */
/** @addtogroup classlib
 * @{ */
#if !defined(_WIN32)
/** Windows boolean: nonzero is true. */
typedef int BOOL;
/** Windows 8-bit unsigned integer. */
typedef unsigned char BYTE;
/** Windows 16-bit unsigned integer. */
typedef unsigned short WORD;
/** Windows unsigned integer. */
typedef unsigned int UINT;
/** Windows 32-bit unsigned integer. */
typedef uint32_t DWORD;
/** Windows 32-bit signed integer. */
typedef int32_t LONG;
/** Windows handle of an open object. */
typedef void *HANDLE;
#  ifndef TRUE
/** Windows true. */
#    define TRUE 1
#  endif
#  ifndef FALSE
/** Windows false. */
#    define FALSE 0
#  endif
#  ifndef MAX_PATH
/** The platform's path buffer size, 260 bytes. */
#    define MAX_PATH 260
#  endif

/** A Windows file time: 100-nanosecond intervals since 1601-01-01 (UTC). */
typedef struct _FILETIME {
    /** Low 32 bits. */
    DWORD dwLowDateTime;
    /** High 32 bits. */
    DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;

/** The attribute record of a file or directory, as
 * CDriveEx::GetFileAttrEx(const char *, struct _WIN32_FILE_ATTRIBUTE_DATA *)
 * fills it: nine 32-bit words. */
typedef struct _WIN32_FILE_ATTRIBUTE_DATA {
    /** The attribute word (bits in @ref fileops). */
    DWORD dwFileAttributes;
    /** Creation time. */
    FILETIME ftCreationTime;
    /** Last access time. */
    FILETIME ftLastAccessTime;
    /** Last write time. */
    FILETIME ftLastWriteTime;
    /** Size in bytes, high 32 bits. */
    DWORD nFileSizeHigh;
    /** Size in bytes, low 32 bits. */
    DWORD nFileSizeLow;
} WIN32_FILE_ATTRIBUTE_DATA, *LPWIN32_FILE_ATTRIBUTE_DATA;
/** @typedef PFILETIME
 * Pointer to a FILETIME.
 * @typedef LPFILETIME
 * Pointer to a FILETIME.
 * @typedef LPWIN32_FILE_ATTRIBUTE_DATA
 * Pointer to a WIN32_FILE_ATTRIBUTE_DATA. */
#endif
/** @} */

/* ---- Result codes -------------------------------------------------------- */

/** @ingroup images
 * Kinds of disc, the result of CVcdImageEx::GetVCD_cdtype. The kind comes
 * from the image header: a media format word of 0x100 gives #CDTYPE_AUDIO,
 * 0x1000 gives #CDTYPE_DVD, any other lets the disc-kind word decide. */
enum : unsigned long {
    /** A data CD: the kind when the header names no other. */
    CDTYPE_CDROM = 1,
    /** An audio CD. */
    CDTYPE_AUDIO = 2,
    /** A mixed-mode CD (a cluster kind: stored as T.VCD.D00 and T.VCD.D01). */
    CDTYPE_MIXED = 3,
    /** A DVD (a cluster kind: stored as a DVD bundle). */
    CDTYPE_DVD = 4,
    /** A CD-Extra (a cluster kind: stored as T.VCD.D00 and T.VCD.D01). */
    CDTYPE_CDEXTRA = 5,
    /** A photo CD. */
    CDTYPE_PHOTO = 6,
    /** A video CD. */
    CDTYPE_VIDEO = 7,
    /** The ISOGEN kind. */
    CDTYPE_ISOGEN = 8,
    /** No file name given, or no header could be read. */
    CDTYPE_INVALID = 0xFFFFFFFFUL
};

/** @ingroup images
 * Extension classes of image file names, the result of
 * CVcdImageEx::GetPathExtType. */
enum {
    /** Not an image name (also every refused name). */
    EXTTYPE_NONE = 0,
    /** A single image, T.VCD. */
    EXTTYPE_VCD = 1,
    /** A member of a split DVD bundle, T.DVD.Dnn. */
    EXTTYPE_DVD = 2,
    /** A member of a split mixed-mode image, T.VCD.Dnn. */
    EXTTYPE_MIXEDMODE = 3
};

/** @ingroup images
 * Results of CVcdImageEx::DelClusterBundle. */
enum : unsigned long {
    /** Every member deleted (or already gone) and the bundle directory
     * removed; also the result for a missing name. */
    DELBUNDLE_OK = 0,
    /** The file's header gives no cluster kind, or cannot be read; nothing
     * was deleted. */
    DELBUNDLE_NOT_CLUSTER = 2,
    /** The member list could not be made; nothing was deleted. */
    DELBUNDLE_NO_NAMELIST = 4,
    /** At least one member could not be deleted; every other member was, and
     * the directory stays. */
    DELBUNDLE_MEMBER_FAILED = 6,
    /** Every member was deleted, but the bundle directory could not be
     * removed (it is not empty, for instance). */
    DELBUNDLE_DIR_FAILED = 8
};

/* ---- Records ------------------------------------------------------------- */

/** @ingroup pathmodel
 * The UNC group of the split-path record: the pieces of
 * `\\computer\share\dir\file.ext`.
 *
 * Every string holds at most 259 characters; an absent piece is empty. */
struct SPLITUNC_tag {
    /** Not read or written by the library. */
    uint32_t nReserved;
    /** The whole path after a split of the UNC form; empty after a split of
     * the drive form. Tells which group describes the path. */
    char strOrgPath[BRENVIK_MAX_PATH];
    /** The text after the two leading backslashes up to the next backslash
     * (`computer`); never empty after a split that got that far. */
    char strComputer_name[BRENVIK_MAX_PATH];
    /** The share name (`share`). */
    char strShare_name[BRENVIK_MAX_PATH];
    /** The directory levels between share and file name, without leading or
     * trailing backslash (`d1\d2`); empty for a file directly in the share. */
    char strDir[BRENVIK_MAX_PATH];
    /** The file name (`file.ext`); a name ending in a dot loses that dot
     * here. */
    char strFilename[BRENVIK_MAX_PATH];
    /** The file name up to its last dot (`file`). */
    char strFileTitle[BRENVIK_MAX_PATH];
    /** The file name from its last dot, dot included (`.ext`), or empty. */
    char strFileExt[BRENVIK_MAX_PATH];
};

/** @ingroup pathmodel
 * The drive group of the split-path record: the pieces of
 * `C:\dir\file.ext`.
 *
 * Every string holds at most 259 characters; an absent piece is empty. */
struct SPLITDRV_tag {
    /** Not read or written by the library. */
    uint32_t nReserved;
    /** The whole path after a split of the drive form; empty after a split of
     * the UNC form or a failed drive split. Tells which group describes the
     * path. */
    char strOrgPath[BRENVIK_MAX_PATH];
    /** Letter, colon and backslash (`C:\`), the letter's case kept. */
    char strDrv[BRENVIK_MAX_PATH];
    /** The directory levels between drive and file name, without leading or
     * trailing backslash (`dir1\dir2`); empty for a file in the root. */
    char strDir[BRENVIK_MAX_PATH];
    /** The file name (`file.ext`). */
    char strFilename[BRENVIK_MAX_PATH];
    /** The file name up to its last dot (`file`). */
    char strFileTitle[BRENVIK_MAX_PATH];
    /** The file name from its last dot, dot included (`.ext`), or empty. */
    char strFileExt[BRENVIK_MAX_PATH];
};

/** @ingroup pathmodel
 * The split-path record: the pieces of a path, filled by the splitters and
 * read by the composers.
 *
 * A split clears the `strOrgPath` of both groups and fills the group of the
 * form it split; the other group's pieces keep whatever they held. Choose the
 * group by the form CDriveEx::MySplitPath reports, or by its non-empty
 * `strOrgPath`, never by the other fields. After a failed split the record is
 * partly filled and its pieces must not be used. The record is the caller's;
 * two calls must not share one at the same time. */
struct SPLITFPATH_tag {
    /** The pieces of a UNC path. */
    SPLITUNC_tag unc;
    /** The pieces of a drive path. */
    SPLITDRV_tag drv;
};

/** @ingroup images
 * The header at the start of an image file (a single image, or the master
 * `.D00` of a bundle), byte for byte as stored: 2942 bytes, every field at its
 * file offset.
 *
 * The words are little-endian in the file; read them with the library's
 * accessors on a big-endian host. The library only reads headers. The type
 * query needs the first 2934 bytes of the file; the description, member list
 * and bundle check need all 2942. */
#pragma pack(push, 1)
struct VCDHEADER_tag {
    /** Not interpreted. */
    uint8_t bReserved0[16];
    /** A value stored with the description, handed back by
     * CVcdImageEx::GetDesc (offset 16). */
    uint32_t dwDescInfo;       /* offset 16 */
    /** Not interpreted. */
    uint8_t bReserved1[24];
    /** Media format (offset 44): 0x100 an audio disc, 0x1000 a DVD, any other
     * value lets #dwDiscKind decide; compared for equality, not as flags. */
    uint32_t dwMediaFormat;    /* offset 44 */
    /** The description (offset 48): 8-bit characters up to the first NUL, or
     * all 256 when none is NUL. */
    char szDesc[256];          /* offset 48 */
    /** Not interpreted. */
    uint8_t bReserved2[64];
    /** The number of slave files that follow the master of a split image
     * (offset 368); 0 to 99 make sense. */
    uint32_t dwSlaveCount;     /* offset 368 */
    /** Not interpreted (offset 372). */
    uint32_t dwReserved3;      /* offset 372 */
    /** Kind of disc (offset 376), when #dwMediaFormat does not decide: 1
     * mixed-mode, 2 CD-Extra, 3 photo CD, 4 video CD, 5 DVD, 6 ISOGEN, any
     * other value a data CD. */
    uint32_t dwDiscKind;       /* offset 376 */
    /** Not interpreted (offset 380 up to 2942). */
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
/** @addtogroup classlib
 * @{ */

class CArchive;
class CDumpContext;
class CObject;

/** Run-time class information of the class-library layer: a name, a size and
 * a link to the base class. */
struct BRENVIK_API CRuntimeClass {
    /** The class name. */
    const char *m_lpszClassName;
    /** The size of an object of the class, in bytes. */
    int m_nObjectSize;
    /** The schema number used for serialisation. */
    UINT m_wSchema;
    /** Creates an object of the class; null for classes that cannot be
     * created dynamically. */
    CObject *(*m_pfnCreateObject)();
    /** The base class's information; null for CObject. */
    CRuntimeClass *m_pBaseClass;
    /** The next class in the module's list. */
    CRuntimeClass *m_pNextClass;

    /** Whether this class is @p pBaseClass or derives from it.
     * @param pBaseClass the class asked about (required).
     * @return TRUE when it is or derives from it, else FALSE. */
    BOOL IsDerivedFrom(const CRuntimeClass *pBaseClass) const;
};

/** The root class of the class-library layer: run-time class information
 * and the empty serialisation, validity and dump hooks. CDriveEx and
 * CVcdImageEx derive from it and report its run-time class. */
class BRENVIK_API CObject {
public:
    /** The run-time class of the object: CObject::classCObject, for the two
     * exported classes too.
     * @return the class information, never null. */
    virtual CRuntimeClass *GetRuntimeClass() const;
    /** Destroys the object. */
    virtual ~CObject();
    /** Serialisation hook; does nothing.
     * @param ar the archive. */
    virtual void Serialize(CArchive &ar);
    /** Validity check hook; does nothing. */
    virtual void AssertValid() const;
    /** Diagnostic dump hook; does nothing.
     * @param dc the dump context. */
    virtual void Dump(CDumpContext &dc) const;

    /** Whether the object's class is @p pClass or derives from it.
     * @param pClass the class asked about (required).
     * @return TRUE or FALSE. */
    BOOL IsKindOf(const CRuntimeClass *pClass) const;

    /** The run-time class information of CObject. */
    static CRuntimeClass classCObject;

protected:
    CObject();

private:
    CObject(const CObject &);
    void operator=(const CObject &);
};

class CFile;

/** What CFile::GetStatus reports about a file or directory. Times are
 * seconds since 1970 (UTC). */
struct BRENVIK_API CFileStatus {
    /** Creation time. */
    int64_t m_ctime;
    /** Last modification time. */
    int64_t m_mtime;
    /** Last access time. */
    int64_t m_atime;
    /** Size in bytes (32 bits). */
    LONG m_size;
    /** The low eight attribute bits (CFile::Attribute). */
    BYTE m_attribute;
    /** Unused. */
    BYTE m_padding;
    /** The full path of the entry. */
    char m_szFullName[BRENVIK_MAX_PATH];
};

/** The failure of a CFile operation. Thrown by value by the operations that
 * fail (catch it as `const CFileException &`); CFile::Open fills an optional
 * one instead. No exception leaves the library's CDriveEx and CVcdImageEx
 * functions. */
class BRENVIK_API CFileException : public CObject {
public:
    /** The cause of the failure, derived from the platform's error code. */
    enum {
        /** No error. */
        none,
        /** An error without a more precise cause. */
        generic,
        /** The file does not exist. */
        fileNotFound,
        /** The path, or part of it, is invalid. */
        badPath,
        /** No more files can be opened. */
        tooManyOpenFiles,
        /** Access denied. */
        accessDenied,
        /** An invalid file handle was used. */
        invalidFile,
        /** The current directory cannot be removed. */
        removeCurrentDir,
        /** No more directory entries. */
        directoryFull,
        /** The file pointer could not be set. */
        badSeek,
        /** A hardware error. */
        hardIO,
        /** The share modes of another opener forbid it. */
        sharingViolation,
        /** A locked region was accessed. */
        lockViolation,
        /** The medium is full. */
        diskFull,
        /** The end of the file was reached. */
        endOfFile
    };

    /** Makes an exception.
     * @param cause one of the causes above.
     * @param lOsError the platform's error code, or -1.
     * @param pstrFileName the file name (optional; cut to 259 characters). */
    explicit CFileException(int cause = none, LONG lOsError = -1,
                            const char *pstrFileName = nullptr);
    /** Copies an exception.
     * @param other the exception copied. */
    CFileException(const CFileException &other);
    /** Copies an exception.
     * @param other the exception copied.
     * @return this exception. */
    CFileException &operator=(const CFileException &other);
    /** Destroys the exception. */
    virtual ~CFileException();

    /** The cause for a Windows error code.
     * @param lOsError the error code.
     * @return one of the causes: none for 0, generic for a code without a
     * more precise one. */
    static int OsErrorToException(LONG lOsError);
    /** Throws a CFileException with the cause of a Windows error code.
     * @param lOsError the error code.
     * @param pstrFileName the file name (optional). */
    [[noreturn]] static void ThrowOsError(LONG lOsError, const char *pstrFileName = nullptr);

    /** The cause, one of the values above. */
    int m_cause;
    /** The platform's error code, or -1. */
    LONG m_lOsError;
    /** The name of the file concerned, or empty. */
    char m_strFileName[BRENVIK_MAX_PATH];
};

/** A file of the class-library layer, opened with Windows access and share
 * modes. Operations on an open file that fail throw CFileException.
 *
 * @par On Linux
 * The share modes hold against every other opener that uses the library, in
 * this process or another: an open they forbid fails with a sharing
 * violation. */
class BRENVIK_API CFile : public CObject {
public:
    /** Flags of Open(): one access mode, one share mode, and options. */
    enum OpenFlags {
        /** Read access. */
        modeRead = 0x0000,
        /** Write access. */
        modeWrite = 0x0001,
        /** Read and write access. */
        modeReadWrite = 0x0002,
        /** No sharing (as shareExclusive). */
        shareCompat = 0x0000,
        /** Others may not open the file at all. */
        shareExclusive = 0x0010,
        /** Others may read, not write. */
        shareDenyWrite = 0x0020,
        /** Others may write, not read. */
        shareDenyRead = 0x0030,
        /** Others may read and write. */
        shareDenyNone = 0x0040,
        /** Child processes do not inherit the handle. */
        modeNoInherit = 0x0080,
        /** Create the file, truncating an existing one. */
        modeCreate = 0x1000,
        /** With modeCreate: keep an existing file's content. */
        modeNoTruncate = 0x2000,
        /** Accepted and ignored: files are binary. */
        typeText = 0x4000,
        /** Binary mode (the only one). */
        typeBinary = 0x8000
    };
    /** Attribute bits of CFileStatus::m_attribute. */
    enum Attribute {
        /** No attribute. */
        normal = 0x00,
        /** Read-only. */
        readOnly = 0x01,
        /** Hidden. */
        hidden = 0x02,
        /** System. */
        system = 0x04,
        /** Volume label. */
        volume = 0x08,
        /** Directory. */
        directory = 0x10,
        /** Archive. */
        archive = 0x20
    };
    /** Origins of Seek(). */
    enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };

    /** The handle of a file object that is not open. */
    static const HANDLE hFileNull;

    /** Makes a file object that is not open. */
    CFile();
    /** Makes a file object and opens it at once.
     * @param lpszFileName the file's path (required).
     * @param nOpenFlags OpenFlags combined.
     * @throw CFileException when the open fails. */
    CFile(const char *lpszFileName, UINT nOpenFlags);
    /** Closes the file, if open, without throwing. */
    virtual ~CFile();

    /** Opens a file; a file already open in this object is closed first.
     * @param lpszFileName the file's path (required).
     * @param nOpenFlags OpenFlags combined; without modeCreate the file must
     *        exist.
     * @param pError receives the cause, the platform's error code and the
     *        name on failure (optional).
     * @return TRUE when the file is open, FALSE on failure (nothing thrown). */
    virtual BOOL Open(const char *lpszFileName, UINT nOpenFlags,
                      CFileException *pError = nullptr);
    /** Closes the file; throws CFileException when the platform's close
     * fails (the handle is released either way). */
    virtual void Close();
    /** Closes the file without throwing. */
    virtual void Abort();
    /** Moves the file pointer.
     * @param lOff the distance in bytes.
     * @param nFrom begin, current or end.
     * @return the new position.
     * @throw CFileException on failure. */
    virtual LONG Seek(LONG lOff, UINT nFrom);
    /** The file's length in bytes (32 bits).
     * @return the length.
     * @throw CFileException when the file is not open or cannot be sought. */
    virtual DWORD GetLength() const;
    /** The position of the file pointer.
     * @return the position.
     * @throw CFileException on failure. */
    virtual DWORD GetPosition() const;
    /** Reads up to @p nCount bytes.
     * @param lpBuf the buffer, at least @p nCount bytes.
     * @param nCount the number of bytes wanted.
     * @return the number of bytes read; fewer at the end of the file.
     * @throw CFileException on failure. */
    virtual UINT Read(void *lpBuf, UINT nCount);
    /** Writes @p nCount bytes.
     * @param lpBuf the bytes.
     * @param nCount their number.
     * @throw CFileException on failure (CFileException::diskFull for a short
     *        write). */
    virtual void Write(const void *lpBuf, UINT nCount);
    /** Moves the file pointer to the end.
     * @return the file's length. */
    DWORD SeekToEnd();
    /** Moves the file pointer to the start. */
    void SeekToBegin();

    /** The status of the open file.
     * @param rStatus receives the status.
     * @return TRUE on success, FALSE on failure. */
    BOOL GetStatus(CFileStatus &rStatus) const;
    /** The status of a file or directory named by a path.
     * @param lpszFileName the path.
     * @param rStatus receives the status.
     * @return TRUE when the entry exists, FALSE otherwise. */
    static BOOL GetStatus(const char *lpszFileName, CFileStatus &rStatus);
    /** Renames or moves a file or directory.
     * @param lpszOldName the existing entry.
     * @param lpszNewName the new name, which must not exist.
     * @throw CFileException on failure. */
    static void Rename(const char *lpszOldName, const char *lpszNewName);
    /** Deletes a file.
     * @param lpszFileName the file.
     * @throw CFileException on failure. */
    static void Remove(const char *lpszFileName);

    /** The path the file was opened with; empty when not open.
     * @return the path. */
    const char *GetFilePath() const { return m_strFileName; }

    /** The platform handle, or hFileNull when not open. */
    HANDLE m_hFile;

protected:
    /** Whether the destructor closes the file: TRUE while it is open. */
    BOOL m_bCloseOnDelete;
    /** The path the file was opened with (GetFilePath()). */
    char m_strFileName[BRENVIK_MAX_PATH];

private:
    CFile(const CFile &);
    void operator=(const CFile &);
};
/** @} */

/* ---- The exported classes ------------------------------------------------ */

struct BrenvikTestAccess; /* the test suite's window on private members */

/** @ingroup frame
 * Drives, paths, files and the network: every member is static, keeps no
 * state between calls, and may be called on any thread. Constructing or destroying an object has no effect beyond
 * the object itself. */
class BRENVIK_API CDriveEx : public CObject {
public:
    /** Makes an object; no member needs one. */
    CDriveEx();
    /** Destroys the object. */
    virtual ~CDriveEx();

    /* Split path record and path splitting */
    /** @addtogroup pathmodel
     * @{ */

    /** Splits a UNC path (`\\computer\share\dir\file.ext`) into the record's
     * UNC group.
     *
     * Clears the UNC group and `drv.strOrgPath` (the rest of `drv` is kept),
     * then takes the computer name, the share name, the directory levels (each
     * must be a valid file name) and the file name (which must be one; a name
     * that begins with a dot fails), title and extension. `\\computer` and
     * `\\computer\share\` succeed; `\\computer\` and a third leading backslash
     * fail. `..` levels pass.
     * @param strOrgPath the path (null or empty: 0, record untouched); may be
     *        a field of @p pSplitFPath itself.
     * @param pSplitFPath the record (required; null is traced).
     * @return 1 when the path splits. On a failure after the first two
     * characters `unc.strOrgPath` holds the path and the pieces before the
     * failing one stay; do not use them. */
    static int SplitUNC_p(const char *strOrgPath, SPLITFPATH_tag *pSplitFPath);
    /** Splits a drive path (`C:\dir\file.ext`) into the record's drive group.
     *
     * Clears the drive group and `unc.strOrgPath` (the rest of `unc` is
     * kept). The path must begin with a letter (either case), a colon and a
     * backslash, and hold neither two backslashes in a row nor `..`; each
     * directory level must be a valid file name; a file name that begins with
     * a dot fails (`.` alone gives empty pieces). The file name itself is not
     * checked for forbidden characters. `C:\` and `C:\dir\` succeed with
     * empty file pieces.
     * @param strOrgPath the path (null or empty: 0, record untouched); may be
     *        a field of @p pSplitFPath itself.
     * @param pSplitFPath the record (required; null gives 0 without a trace).
     * @return 1 when the path splits; on failure `drv.strOrgPath` is empty
     * and earlier pieces may stay. */
    static int SplitDrvpath_p(const char *strOrgPath, SPLITFPATH_tag *pSplitFPath);
    /** Splits a path of either form: UNC when it begins with two backslashes,
     * otherwise drive.
     * @param strOrgPath the path (null or empty: 0, nothing touched).
     * @param pSplitFPath the record (required; null gives 0 without a trace).
     * @param pIsUNC receives 1 for the UNC form, 0 for the drive form, before
     *        the split runs, so also when it fails (optional).
     * @return the result of SplitUNC_p() or SplitDrvpath_p(). */
    static int MySplitPath(const char *strOrgPath, SPLITFPATH_tag *pSplitFPath, int *pIsUNC);
    /** The file name, title and extension of a drive or UNC path, as
     * MySplitPath() cuts them. A path that ends in a backslash gives three
     * empty strings.
     * @param strOrgPath the path (required).
     * @param pFilename_MAXPATH receives the file name (required, 260 bytes).
     * @param pTitle_MAXPATH receives the title (required, 260 bytes).
     * @param pExt_MAXPATH receives the extension with its dot (required, 260
     *        bytes).
     * @return 1 when the path splits; on failure nothing is written. */
    static int GetTitleExt(const char *strOrgPath, char *pFilename_MAXPATH,
                           char *pTitle_MAXPATH, char *pExt_MAXPATH);
    /** The root directory of a path: `C:\` for a drive path,
     * `\\computer\share\` for a UNC path (`\\computer\` when it names no
     * share).
     * @param strOrgPath the path (required).
     * @param pRootDir_MAXPATH receives the root (required, 260 bytes).
     * @param pIsUNC receives 1 for the UNC form, 0 for the drive form
     *        (optional).
     * @return 1 when the path splits; on failure neither output is written. */
    static int Get_RootDirOfFilePath(const char *strOrgPath, char *pRootDir_MAXPATH,
                                     int *pIsUNC);

    /* Path composition */
    /** Composes `\\computer\share\dir\title.ext` from its pieces.
     *
     * Every piece is required. Directory, title and extension must each be
     * backslash-separated valid file names (no leading backslash, none
     * doubled; a trailing one allowed, so the title may carry levels); `..`
     * passes. A dot joins title and extension unless one of them already has
     * it at the join. Nothing is traced.
     * @param pResult_MAXPATH receives the path (required, 260 bytes); may be
     *        one of the inputs.
     * @param strComputer_name computer name, without backslash.
     * @param strShare_name share name, without backslash.
     * @param strDir directory levels (`d1\d2`, `d1\d2\`).
     * @param strFileTitle file title.
     * @param strFileExt extension, with or without its dot.
     * @return 1 when composed; on failure the buffer keeps its content. */
    static int ComposeUNC(char *pResult_MAXPATH, const char *strComputer_name,
                          const char *strShare_name, const char *strDir,
                          const char *strFileTitle, const char *strFileExt);
    /** Composes a UNC path from the record's UNC group, as the pieces form
     * does.
     *
     * Traces a null record and the first empty field of `strOrgPath` (so a
     * group no UNC split has filled is refused), `strComputer_name`,
     * `strShare_name`, `strDir`, `strFileTitle`, `strFileExt`, and returns 0.
     * A file directly in the share (empty `strDir`) or without an extension
     * therefore does not compose.
     * @param pResult_MAXPATH receives the path (required, 260 bytes).
     * @param pSplitFPath the record (required).
     * @return 1 when composed; on failure the buffer keeps its content. */
    static int ComposeUNC(char *pResult_MAXPATH, const SPLITFPATH_tag *pSplitFPath);
    /** Composes `C:\dir\title.ext` from its pieces.
     *
     * Traces the first of drive, directory, title, extension that is null or
     * empty. The drive is a letter and a colon (anything after the colon is
     * ignored, the letter's case kept); directory, title and extension must
     * each be backslash-separated valid file names without `..`. A dot joins
     * title and extension unless one of them already has it at the join.
     * @param pResult_MAXPATH receives the path (required, 260 bytes); may be
     *        one of the inputs.
     * @param strDrv the drive (`C:` or `C:\`).
     * @param strDir directory levels.
     * @param strFileTitle file title.
     * @param strFileExt extension, with or without its dot.
     * @return 1 when composed; on failure the buffer keeps its content. */
    static int ComposeDrvPath(char *pResult_MAXPATH, const char *strDrv, const char *strDir,
                              const char *strFileTitle, const char *strFileExt);
    /** Composes a drive path from the record's drive group, as the pieces
     * form does.
     *
     * Traces a null record and the first empty field of `strOrgPath`,
     * `strDrv`, `strDir`, `strFileTitle`, `strFileExt`, and returns 0. A
     * record split from a path with a directory, title and extension composes
     * back to that path.
     * @param pResult_MAXPATH receives the path (required, 260 bytes).
     * @param pSplitFPath the record (required).
     * @return 1 when composed; on failure the buffer keeps its content. */
    static int ComposeDrvPath(char *pResult_MAXPATH, const SPLITFPATH_tag *pSplitFPath);

    /* Name and path validation */
    /** Whether a string may be a file or directory name: not empty and free
     * of the file-name set (see @ref pathmodel). Length, blanks, dots and
     * device names are not judged.
     * @param strFilename the name (null: 0).
     * @return 1 or 0. */
    static int IsFilenameValid(const char *strFilename);
    /** Whether a string is free of the path set (see @ref pathmodel): the
     * IsFilenameValid() test with backslash and colon allowed anywhere.
     * @param strFilename the string (null or empty: 0).
     * @return 1 or 0. */
    static int IsFilenameValid_ignore_bs_colon(const char *strFilename);
    /** Whether a string has the form of an absolute path: `X:\...` (any
     * letter, no colon after it, no second backslash right after the root) or
     * `\\server\...` (no colon, a non-empty server name closed by a
     * backslash), 3 to 259 characters, free of the path set.
     * @param strPath the path (null or empty: 0).
     * @return 1 or 0. `C:\` is valid; `C:`, `C:\\x` and `\\srv` are not. */
    static int Is_FilePath_DirPath_Valid(const char *strPath);
    /** Checks a full file path under acceptance flags and cuts it into
     * directory, file name and lower-cased extension.
     *
     * The checks run in this order and the first failure sets the code: a
     * character of the path set (2); a colon after the second character, or
     * fewer than 4 characters (3); the UNC form when @p bUNC is 0 (4); a bad
     * UNC prefix (3); the drive form when @p bDrvPath is 0 (5); a bad drive
     * prefix, or drive A or B without @p bFloppy (3); no file name after the
     * last backslash (3). `C:\dir\Movie.VCD` gives `C:\dir`, `Movie.VCD`,
     * `vcd`.
     * @param strFullPath the path (null or empty: 0, nothing written).
     * @param bUNC nonzero: UNC paths are accepted.
     * @param bDrvPath nonzero: drive paths are accepted.
     * @param bFloppy nonzero: drives A and B are accepted too.
     * @param pDir_MAXPATH receives the directory without its closing
     *        backslash (required, 260 bytes); emptied on failure.
     * @param pFilename_MAXPATH receives the file name (required, 260 bytes);
     *        emptied on failure.
     * @param pExt_MAXPATH receives the text after the last dot of the file
     *        name, lower-cased (required, 260 bytes); untouched when the name
     *        has no dot, and on failure.
     * @param pErrCode receives 0 on success or the failure code above
     *        (optional).
     * @return 1 when the path is good. */
    static int ChkFullPath_s(const char *strFullPath, int bUNC, int bDrvPath, int bFloppy,
                             char *pDir_MAXPATH, char *pFilename_MAXPATH, char *pExt_MAXPATH,
                             int *pErrCode);
    /** Joins a directory and a file name after checking both under the same
     * acceptance flags as ChkFullPath_s().
     *
     * The name must be free of the file-name set and have no extension or
     * the extension `vcd` (any case) and a single dot. The directory must
     * have at least 3 characters and a UNC or drive prefix the flags accept;
     * the rest of it is not examined. A backslash is put between them unless
     * the directory ends in one.
     * @param strDir the directory (null or empty: 0, nothing written).
     * @param strFilename the file name (null or empty: 0, nothing written).
     * @param pResult_MAXPATH receives the path (required, 260 bytes); emptied
     *        on a failed check.
     * @param bUNC nonzero: UNC directories are accepted.
     * @param bDrvPath nonzero: drive directories are accepted.
     * @param bFloppy nonzero: drives A and B are accepted too.
     * @return 1 when joined. */
    static int MkFullPath_s(const char *strDir, const char *strFilename, char *pResult_MAXPATH,
                            int bUNC, int bDrvPath, int bFloppy);

    /* File title and extension operations */
    /** The text after the last dot of the whole path, without the dot
     * (`C:\dir.d\file` gives `d\file`). Nothing is traced.
     * @param strPath the path (required).
     * @param pExt_MAXPATH receives the extension (required, 260 bytes); empty
     *        when the path ends in a dot; untouched when it has no dot.
     * @return 1 unless an argument is missing or the path too long. */
    static int GetFileExt(const char *strPath, char *pExt_MAXPATH);
    /** Replaces the extension of a drive or UNC path (`C:\dir\file.txt` and
     * `bak` give `C:\dir\file.bak`) by splitting with MySplitPath() and
     * composing with ComposeDrvPath() or ComposeUNC().
     *
     * Traces each missing argument and an empty file name (a path that ends
     * in a backslash). Every refusal of the composer carries through: a file
     * directly under the drive or share (empty directory) gives 0, with the
     * composer's trace line.
     * @param strOrgPath the path (required).
     * @param strNewExt the new extension, with or without its dot (required).
     * @param pResult_MAXPATH receives the path (required, 260 bytes); keeps
     *        its content on failure.
     * @return 1 when composed. */
    static int ChgPathExt(const char *strOrgPath, const char *strNewExt, char *pResult_MAXPATH);
    /** Wraps the file title of a drive or UNC path in a prefix and a postfix
     * (`C:\dir\file.txt`, `new_`, `_1` give `C:\dir\new_file_1.txt`).
     *
     * The prefix loses its leading and the postfix its trailing white space;
     * one of white space only is left out. Traces each missing argument and
     * an empty file name. The path must split and the result compose: a file
     * without an extension or directly under the drive or share gives 0, as
     * does a piece with a forbidden character or (drive form) one that makes
     * `..` appear.
     * @param strOrgPath the path (required).
     * @param strPrefix text put before the title (required, not empty).
     * @param strPostfix text put after the title (required, not empty).
     * @param pResult_MAXPATH receives the path (required, 260 bytes); keeps
     *        its content on failure.
     * @return 1 when composed. */
    static int AddPrefix2FileTitle(const char *strOrgPath, const char *strPrefix,
                                   const char *strPostfix, char *pResult_MAXPATH);
    /** Replaces the extension of any path, relative ones and forward slashes
     * included, with the runtime's split and join; nothing is validated.
     *
     * `C:\dir\file.txt` and `bak` give `C:\dir\file.bak` and `.txt`; a path
     * that ends in a separator gets a name of the extension alone. Traces
     * each missing argument.
     * @param strPath the path (required).
     * @param strNewExt the new extension, with or without its dot (required).
     * @param pNewPath_MAXPATH receives the new path (required, 260 bytes).
     * @param pOldExt_MAXPATH receives the old extension with its dot, or
     *        empty (required, 260 bytes).
     * @return 1 when both buffers were filled. A missing @p strPath empties
     * both buffers; a missing other argument, or a path or result too long,
     * leaves them untouched. */
    static int ChgExtname(const char *strPath, const char *strNewExt, char *pNewPath_MAXPATH,
                          char *pOldExt_MAXPATH);
    /** The drive and directory of a path, with the closing separator: the
     * last component always counts as a file name (`C:\dir\sub` gives
     * `C:\dir\`, `\\srv\share\f.txt` gives `\\srv\share\`, `dir\f.txt` gives
     * `dir\`). Nothing is traced.
     * @param strPath the path (required, more than 2 characters).
     * @param pDir_MAXPATH receives the directory (required, 260 bytes);
     *        written only on success.
     * @return 1 when the path has a directory part (`C:f.txt` has none). */
    static int GetDirOf(const char *strPath, char *pDir_MAXPATH);
    /** @} */

    /* Drive classification and enumeration */
    /** @addtogroup drives
     * @{ */

    /** Whether a drive is a CD or DVD drive (type 5).
     * @param nDrive drive number; outside 0 to 25 gives 0.
     * @return 1 or 0. */
    static int IsCdDrive(int nDrive);
    /** Whether a drive is a removable drive (type 2).
     * @param nDrive drive number; outside 0 to 25 gives 0.
     * @return 1 or 0. */
    static int IsRemovableDrive(int nDrive);
    /** Whether a drive is a RAM disk (type 6).
     * @param nDrive drive number; outside 0 to 25 gives 0.
     * @return 1 or 0. */
    static int IsRamDrive(int nDrive);
    /** Whether a drive is a network drive (type 4), a remembered connection
     * that is currently unavailable included.
     * @param nDrive drive number; outside 0 to 25 gives 0.
     * @return 1 or 0. */
    static int IsNetworkDrive(int nDrive);
    /** Whether a drive is a local hard drive (type 3).
     * @param nDrive drive number; outside 0 to 25 gives 0.
     * @return 1 or 0. */
    static int IsLocalHDDrive(int nDrive);
    /** The mask of all CD and DVD drives.
     * @param pDrvMask receives the mask (required).
     * @return 1, also when no drive has the type; 0 for a null pointer. */
    static int GetCdDrvLst(unsigned long *pDrvMask);
    /** The mask of all removable drives.
     * @param pDrvMask receives the mask (required).
     * @return 1; 0 for a null pointer. */
    static int GetRemovableDrvLst(unsigned long *pDrvMask);
    /** The mask of all RAM disks.
     * @param pDrvMask receives the mask (required).
     * @return 1; 0 for a null pointer. */
    static int GetRamDrvLst(unsigned long *pDrvMask);
    /** The mask of all network drives, unavailable connections included.
     * @param pDrvMask receives the mask (required).
     * @return 1; 0 for a null pointer. */
    static int GetNetworkDrvLst(unsigned long *pDrvMask);
    /** The mask of all local hard drives.
     * @param pDrvMask receives the mask (required).
     * @return 1; 0 for a null pointer. */
    static int GetLocalHDDrvLst(unsigned long *pDrvMask);
    /** The drive type of a root path, as the platform reports it, except
     * that a root the platform does not know (1) but that is a remembered
     * network connection currently unavailable is reported as remote (4).
     * @param strRootPath the root, such as `C:\` (passed on unchecked).
     * @return a drive type code, 0 to 6.
     * @par On Linux
     * `X:` and `X:\` give the type of the configured drive X; a letter that
     * no drive configures has no root (1). `\\server\share\` of a configured
     * share that is present is remote (4). Any other path is no root (1). */
    static unsigned int GetDriveType_Ex(const char *strRootPath);
    /** The upper-case letter of a drive number.
     * @param nDrive drive number, 0 to 25.
     * @param pLetter receives the letter, one `char` (optional).
     * @return 1 for 0 to 25, else 0 with nothing written. */
    static int Drv_Int2Letter(int nDrive, char *pLetter);
    /** The drive number of a letter in either case.
     * @param cLetter the letter.
     * @param pDrive receives 0 to 25 (optional).
     * @return 1 for a to z and A to Z, else 0 with nothing written. */
    static int Drv_Char2Int(char cLetter, int *pDrive);
    /** The drive number of the first character of a string (`d:\x` gives 3).
     * @param strLetter the string (null or empty: 0).
     * @param pDrive receives 0 to 25 (optional).
     * @return as Drv_Char2Int(). */
    static int Drv_Letter2Int(const char *strLetter, int *pDrive);
    /** Whether a value lies between two bounds, both included; reversed
     * bounds make an empty range.
     * @param nValue the value.
     * @param nLow the lower bound.
     * @param nHigh the upper bound.
     * @return 1 or 0. */
    static int InRange(int nValue, int nLow, int nHigh);
    /** Whether a value is a drive number, 0 to 25.
     * @param nValue the value.
     * @return 1 or 0. */
    static int Is_0_25(int nValue);

    /* Capacity and volume queries */
    /** The classic free-space figures of a drive.
     * @param nDrive drive number; outside 0 to 25 gives 0.
     * @param pSectorsPerCluster receives sectors per cluster (optional).
     * @param pBytesPerSector receives bytes per sector (optional).
     * @param pNumberOfFreeClusters receives the free clusters (optional).
     * @param pTotalNumberOfClusters receives all clusters (optional).
     * @return 1 and the figures; 0 with nothing written when the query
     * fails (no such drive, no medium). Cluster counts are clamped to 32
     * bits. */
    static int My_GetDiskFreeSpace(int nDrive, unsigned long *pSectorsPerCluster,
                                   unsigned long *pBytesPerSector,
                                   unsigned long *pNumberOfFreeClusters,
                                   unsigned long *pTotalNumberOfClusters);
    /** The total size of a drive's medium in bytes, from the free-space
     * figures, kept to 32 bits: 4 GiB and more come back reduced modulo
     * 2^32.
     * @param nDrive drive number; outside 0 to 25 gives 0.
     * @param pSize receives the size (required).
     * @return 1; 0 with nothing written on failure. */
    static int GetCdSize(int nDrive, unsigned long *pSize);
    /** The volume label of a drive, with critical-error boxes suppressed for
     * an empty drive (the error mode is restored).
     *
     * The number is not range-checked: the root letter is 'A' plus the
     * number, so 32 to 57 name drives A to Z in lower case.
     * @param nDrive drive number.
     * @param pVolName receives the label, at most 99 characters (required;
     *        a 260-byte buffer always fits).
     * @return 1; 0 with the buffer untouched when the query fails (no such
     * drive, no medium).
     * @par On Linux
     * The label is the drive's configured `Label`, else the label the system
     * knows for the mounted device, else empty. */
    static int GetVolName(int nDrive, char *pVolName);
    /** Whether a drive holds a readable medium: the volume query of
     * GetVolName() succeeds. No critical-error box appears.
     * @param nDrive drive number, not range-checked (as GetVolName()).
     * @param nUnused ignored.
     * @return 1 or 0.
     * @par On Linux
     * A drive has a medium when its configured `Path` is an existing
     * directory. */
    static int IsDiskPresent(int nDrive, int nUnused);
    /** Whether a drive's volume is compressed.
     * @param nDrive drive number, not range-checked (as GetVolName()).
     * @return 0x8000 (not 1) for a compressed volume; 0 when it is not or
     * cannot be queried.
     * @par On Linux
     * Compressed means the drive's `Compressed` value is 1 in the registry
     * file. */
    static int IsCompressed(int nDrive);
    /** Total, free and available bytes of a drive, or of a share named by a
     * UNC path, as 64-bit counts.
     *
     * All given outputs are set to 0 first. A drive number 0 to 25 chooses
     * the drive and @p strPath is ignored; otherwise @p strPath must be a UNC
     * path that ChkFullPath_s() accepts with only @p bUNC set (so one that
     * does not end in a backslash). Where the platform lacks the extended
     * query, the available bytes equal the free bytes.
     * @param nDrive drive number, or any other value to use @p strPath.
     * @param strPath a UNC path (optional when @p nDrive is a drive number).
     * @param pTotalBytes receives the size (optional).
     * @param pTotalFreeBytes receives the free bytes (optional).
     * @param pFreeBytesAvailable receives the bytes free for the caller
     *        (optional).
     * @return 1; 0 when the path is refused or the query fails, with the
     * given outputs left at 0.
     * @par On Linux
     * The counts come from the host file system: available is what an
     * unprivileged user may still use, free includes the reserved part. */
    static int GetLargeDiskSize2GB_inByte(int nDrive, const char *strPath,
                                          unsigned long long *pTotalBytes,
                                          unsigned long long *pTotalFreeBytes,
                                          unsigned long long *pFreeBytesAvailable);
    /** GetLargeDiskSize2GB_inByte() in kilobytes of 1024 bytes, rounded down
     * and kept to 32 bits.
     * @param nDrive drive number, or any other value to use @p strPath.
     * @param strPath a UNC path (optional when @p nDrive is a drive number).
     * @param pTotalKB receives the size (optional).
     * @param pTotalFreeKB receives the free space (optional).
     * @param pFreeAvailableKB receives the space free for the caller
     *        (optional).
     * @return 1; 0 with the outputs untouched on failure. */
    static int GetLargeDiskSize2GB_inKB(int nDrive, const char *strPath,
                                        unsigned long *pTotalKB, unsigned long *pTotalFreeKB,
                                        unsigned long *pFreeAvailableKB);

    /* Disc content detection */
    /** Whether a drive's root holds a directory `mpegav` (a Video CD). The
     * drive type is not tested.
     * @param nDrive drive number; outside 0 to 25 gives 0.
     * @return 1 or 0; 0 also when the drive cannot be queried. */
    static int IsVideoCD(int nDrive);
    /** Whether a drive's root holds a directory `photo_cd` (a Photo CD).
     * @param nDrive drive number; outside 0 to 25 gives 0.
     * @return 1 or 0; 0 also when the drive cannot be queried. */
    static int IsPhotoCD(int nDrive);
    /** Whether a drive's volume label is `EMZ3_DVD`, ignoring case (the
     * audio disc of its label).
     * @param nDrive drive number, not range-checked (as GetVolName()).
     * @return 1 or 0; 0 also without a medium. */
    static int IsAudioCD(int nDrive);
    /** Not available: shows the message box "NA: CVcd::IsDvd() instead"
     * (OK only) and returns 0 once it is closed; use CVcdImageEx::Is_DVD on
     * an image instead.
     * @param nDrive ignored.
     * @return 0, always.
     * @par On Linux
     * The box's text goes to standard error and the call does not wait. */
    static int IsDVD(int nDrive);
    /** @} */

    /* Attribute and status queries */
    /** @addtogroup fileops
     * @{ */

    /** Whether an entry exists and its status byte passes a mask pair.
     *
     * One trailing backslash is removed before the query (`C:\dir\` asks
     * about `C:\dir`). Mask bits above 0xFF: a clear-mask bit always passes,
     * a set-mask bit always fails.
     * @param strPath the path (null or empty: 0, @p pExist untouched).
     * @param nMustBeClear bits that must be clear.
     * @param nMustBeSet bits that must be set.
     * @param pExist receives 1 when the entry exists, else 0 (optional).
     * @return 1 when it exists and passes. */
    static int CFileStatus_s(const char *strPath, int nMustBeClear, int nMustBeSet, int *pExist);
    /** Whether a path names a directory (status test: set 0x10).
     * @param strPath the path; one trailing backslash is ignored (null or
     *        empty: 0, @p pExist untouched).
     * @param pExist receives 1 when the entry exists at all (optional).
     * @return 1 or 0. */
    static int IsDir(const char *strPath, int *pExist);
    /** Whether a path names a hidden directory (set 0x12).
     * @param strPath the path (null or empty: 0, @p pExist untouched).
     * @param pExist receives 1 when the entry exists at all (optional).
     * @return 1 or 0. */
    static int IsDirHidden(const char *strPath, int *pExist);
    /** Whether a path names anything but a directory (clear 0x10).
     * @param strPath the path (null or empty: 0, @p pExist untouched).
     * @param pExist receives 1 when the entry exists at all (optional).
     * @return 1 or 0. */
    static int IsFile(const char *strPath, int *pExist);
    /** Whether a path names a file that is not read-only (clear 0x11).
     * Nothing is written to find out; see CanWeWriteDir() for a trial.
     * @param strPath the path (null or empty: 0, @p pExist untouched).
     * @param pExist receives 1 when the entry exists at all (optional).
     * @return 1 or 0. */
    static int IsFileWritable(const char *strPath, int *pExist);
    /** Whether a path names a hidden file (clear 0x10, set 0x02).
     * @param strPath the path (null or empty: 0, @p pExist untouched).
     * @param pExist receives 1 when the entry exists at all (optional).
     * @return 1 or 0. */
    static int IsFileHidden(const char *strPath, int *pExist);
    /** Every status flag of an entry at once. All given flags are set to 0
     * first; one trailing backslash is ignored.
     * @param strPath the path (null or empty: 0, nothing written).
     * @param pIsFile receives 1 for a non-directory (optional).
     * @param pIsFileWritable receives 1 for a non-directory without the
     *        read-only bit (optional).
     * @param pIsFileHidden receives 1 for a hidden non-directory (optional).
     * @param pIsDir receives 1 for a directory (optional).
     * @param pIsDirHidden receives 1 for a hidden directory (optional).
     * @param pIsSystem receives the system bit (optional).
     * @param pIsVolume receives the volume-label bit (optional).
     * @param pIsArchive receives the archive bit (optional).
     * @param pExist receives 1 when the entry exists (optional).
     * @return 1 when the entry exists, else 0 with every flag 0. */
    static int CFileStatus_s(const char *strPath, int *pIsFile, int *pIsFileWritable,
                             int *pIsFileHidden, int *pIsDir, int *pIsDirHidden, int *pIsSystem,
                             int *pIsVolume, int *pIsArchive, int *pExist);
    /** Whether an entry exists (one trailing backslash ignored).
     * @param strPath the path (null or empty: 0).
     * @return 1 or 0. */
    static int IsExist(const char *strPath);
    /** Whether an entry exists and its full 32-bit attribute word passes a
     * mask pair. The path is used unchanged.
     * @param strPath the path (null or empty: 0, @p pExist untouched).
     * @param dwMustBeClear bits that must be clear.
     * @param dwMustBeSet bits that must be set.
     * @param pExist receives 1 when the entry exists, else 0 (optional).
     * @return 1 when it exists and passes. */
    static int ChkFileAttrEx(const char *strPath, unsigned long dwMustBeClear,
                             unsigned long dwMustBeSet, int *pExist);
    /** The full 32-bit attribute word of an entry.
     * @param strPath the path, used unchanged (required).
     * @param pAttr receives the word (required).
     * @return 1; 0 with nothing written when the entry is missing. */
    static int GetFileAttrEx(const char *strPath, unsigned long *pAttr);
    /** The attribute record of an entry: attribute word, three times and
     * size.
     * @param strPath the path, used unchanged (required).
     * @param pData receives the record (optional: a null pointer makes this
     *        an existence test).
     * @return 1; 0 with nothing written when the entry is missing. */
    static int GetFileAttrEx(const char *strPath, struct _WIN32_FILE_ATTRIBUTE_DATA *pData);
    /** The size of a file in bytes, low 32 bits, read through an open that
     * lets others only read.
     * @param strPath the file (required).
     * @param pSize receives the size (required).
     * @return 1; 0 with nothing written for a directory, a missing file, a
     * file someone holds open for writing, or a size whose low 32 bits are
     * all ones. */
    static int GetFileSizeInByte(const char *strPath, unsigned long *pSize);
    /** The length of an open file.
     * @param file the file object.
     * @param pSize receives the length (optional).
     * @return 1; 0 with nothing written when the length query throws (the
     * exception does not leave the function). */
    static int GetFileSizeInByte(CFile &file, unsigned long *pSize);

    /* Write-access probes */
    /** Whether a directory can be written, found out by creating, writing,
     * closing and deleting the probe file `tmp$d123.tmp` in it.
     *
     * The directory is not created or validated. A file that already has the
     * probe's name is left alone: the probe then takes the first free name
     * of `tmp$d124.tmp`, `tmp$d125.tmp`, … (64 at most; none free gives 0).
     * Two probes of one directory at the same time may disturb each other.
     * @param strDir the directory, with or without a trailing backslash
     *        (required, at least 2 characters).
     * @return 1 when the whole probe content was written; the probe file is
     * deleted either way. */
    static int CanWeWriteDir(const char *strDir);
    /** Whether a directory can be written, creating it (and its missing
     * ancestors) first: creates a new file `\tempN.tmp` (N the millisecond
     * tick count) without sharing and deletes it again.
     * @param strDir an absolute drive or UNC directory path that
     *        Is_FilePath_DirPath_Valid() accepts (required).
     * @return 1 when the directory exists or was created and the probe file
     * could be created; no probe file remains either way, but directories
     * created stay. A probe name that is taken gives 0. */
    static int IsDirWriteable(const char *strDir);
    /** Not available: shows a message box saying so and returns 0.
     * @param csFilePath any path (null or empty: 0 without a box).
     * @return 0, always.
     * @par On Linux
     * The box's text goes to standard error and the call does not wait. */
    static int CanWeWriteFile(const char *csFilePath);

    /* Create, rename and delete */
    /** Creates one directory.
     * @param strPath the directory; its parent must exist (required).
     * @param bOkIfExist nonzero: an existing directory counts as success.
     * @return 1 when created (or existing, with @p bOkIfExist); 0 otherwise,
     * also for an existing file of that name. */
    static int MyCreateDirectory(const char *strPath, int bOkIfExist);
    /** Creates a directory and its missing ancestors, from the root down
     * (`C:\a\b\c` creates `C:\a`, `C:\a\b`, `C:\a\b\c`, skipping those that
     * exist); for a UNC path the share itself is never created.
     * @param strPath an absolute path that Is_FilePath_DirPath_Valid()
     *        accepts (required); a trailing backslash is allowed.
     * @return 1 when the directory exists at the end (also when it existed
     * before); 0 otherwise, with the ancestors created so far left in
     * place. */
    static int CreateDir_Recursively(const char *strPath);
    /** Renames or moves an entry, replacing an existing target file.
     *
     * The source must exist. An existing target is deleted first, then the
     * source is renamed; when the rename then fails, the target stays
     * deleted. A directory or read-only file as target makes the call fail
     * without changes. When both names reach the same file (another spelling
     * or letter case, a link), nothing is deleted: the call only renames.
     * @param strOldPath the existing entry (required).
     * @param strNewPath the new name (required).
     * @return 1 when the entry now stands under the new name. */
    static int MyRename(const char *strOldPath, const char *strNewPath);
    /** Deletes a file.
     * @param strPath the file (required).
     * @return 1 when deleted or when the file does not exist (its directory
     * does); 0 when the directory is missing, or for a read-only file, a
     * directory, or a file held open without delete sharing. */
    static int MyDelFile(const char *strPath);
    /** Removes an empty directory.
     * @param strPath the directory (required).
     * @return 1 when removed, and when a directory on the way to it is
     * missing; 0 for a directory that is not empty or cannot be removed, and
     * for a missing directory whose parent exists (the platform reports that
     * as a file not found). */
    static int MyRemoveDirectory(const char *strPath);
    /** Deletes the files directly in a directory that match a wildcard
     * pattern; subdirectories and their content are left alone.
     *
     * System files are skipped unless @p bDelSystem is nonzero; a file that
     * cannot be deleted (read-only, in use) makes the result 0 and the
     * others are still deleted.
     * @param strDir the directory (required).
     * @param strPattern the pattern, such as `*.tmp` (required).
     * @param bDelSystem nonzero: system files are deleted too.
     * @return 1 when every file tried was deleted, also when nothing matches
     * or the directory is missing. */
    static int DelSubFile(const char *strDir, const char *strPattern, int bDelSystem);
    /** Deletes a directory and everything in it, depth first: a
     * subdirectory's content, then the subdirectory, then the directory
     * itself.
     *
     * A file or directory that cannot be deleted (read-only, in use) stays,
     * everything else goes. System files are deleted only at the top level
     * and only with @p bDelSystem; below it they always stay. A symbolic link
     * is removed as a link and never followed, so nothing outside the tree
     * is touched.
     * @param strDir the directory (required).
     * @param bDelSystem nonzero: system files directly in @p strDir go too.
     * @return 1 when the directory is gone, and when @p strDir is missing or
     * names a file (which is left alone); 0 when anything had to stay. */
    static int DelTree(const char *strDir, int bDelSystem);
    /** @} */

    /* Network path classification and host ping */
    /** @addtogroup net
     * @{ */

    /** Whether a path may lie on another machine, from its form and its
     * drive's type alone; the network is not touched and the path need not
     * exist.
     * @param strPath the path (null, empty or one character: 0).
     * @return 1 for a path that begins with two backslashes (nothing after
     * them is checked); 2 for a letter and a colon on a network drive (an
     * unavailable connection included); 0 for anything else. */
    static unsigned long MaybeNetworkPath(const char *strPath);
    /** Pings the computer behind a UNC path or a mapped network drive with
     * ICMP echo requests, and returns as soon as one valid reply arrives.
     *
     * For a mapped drive the drive's remote UNC name is asked first. The
     * computer name is resolved to its first IPv4 address; up to
     * @p PingTimes requests of 44 bytes are sent, each waiting
     * @p RequestTime milliseconds. A time-out or a short reply moves on to
     * the next request; a send or receive error, a reply that is not an echo
     * reply, or one with another identifier ends the attempts with 0. The
     * call blocks for up to @p PingTimes × @p RequestTime milliseconds plus
     * name resolution.
     *
     * Traces every step, each line beginning `CDriveEx::PingHost `: the
     * arguments, the reason for giving up (parameter wrong; drive path, remote
     * name or UNC split failed; name not resolved; socket not created), one
     * line per time-out or short reply, the reply (`... bytes replay from
     * ...`), and, once the socket was opened, `end,ret=N`.
     * @param DestPath the path whose computer is pinged (required).
     * @param bIsNetworkDrive nonzero: @p DestPath is a drive path on a mapped
     *        network drive; zero: a UNC path.
     * @param PingTimes the greatest number of requests; 0 sends none.
     * @param RequestTime the reply time-out of each request, in
     *        milliseconds; 0 waits 4 seconds.
     * @return 1 when a reply came, else 0.
     * @par On Linux
     * A raw ICMP socket is used where the process may open one; otherwise an
     * ICMP datagram socket (for the groups in `net.ipv4.ping_group_range`).
     * Where neither is allowed the socket is not created and the call
     * returns 0. */
    static int PingHost(const char *DestPath, int bIsNetworkDrive, unsigned int PingTimes,
                        unsigned int RequestTime);
    /** @} */

private:
    friend struct BrenvikTestAccess;

    static int ValidateMultiDirLevel_p(const char *strDirPath, int bResultIfEmpty);
    static int IsDrvType_pri(int nDrive, unsigned int nType);
    static int GetAllLst_pri(unsigned long *pDrvMask, unsigned int nType);
    static unsigned short GetCheckSum(unsigned char *pBuffer, unsigned long nLength);
};

/** @ingroup frame
 * Disc-image files: every member is static and keeps no state between
 * calls. Constructing an object reloads the trace settings (the library
 * constructs one when it is loaded); the destructor has no effect beyond the
 * object. */
class BRENVIK_API CVcdImageEx : public CObject {
public:
    /** Makes an object and reloads the trace settings from the registry, so
     * that a changed `DebugLevel` takes effect from then on. */
    CVcdImageEx();
    /** Destroys the object. */
    virtual ~CVcdImageEx();

    /* Image type queries and description */
    /** @addtogroup images
     * @{ */

    /** The kind of disc an image holds, read from its header (the first 2934
     * bytes, opened sharing reading and writing, so a file being written can
     * be asked). Nothing is cached.
     * @param strVcdFname the image file (null or empty is traced).
     * @return a #CDTYPE_CDROM … #CDTYPE_ISOGEN code, or #CDTYPE_INVALID for
     * a missing name or a file that is missing, locked or too short. */
    static unsigned long GetVCD_cdtype(const char *strVcdFname);
    /** Whether GetVCD_cdtype() gives #CDTYPE_CDROM.
     * @param strVcdFname the image file (null or empty is traced).
     * @return 1 or 0. */
    static int Is_CDROM(const char *strVcdFname);
    /** Whether GetVCD_cdtype() gives #CDTYPE_AUDIO.
     * @param strVcdFname the image file (null or empty is traced).
     * @return 1 or 0. */
    static int Is_AUDIO(const char *strVcdFname);
    /** Whether GetVCD_cdtype() gives #CDTYPE_MIXED.
     * @param strVcdFname the image file (null or empty is traced).
     * @return 1 or 0. */
    static int Is_MIXED(const char *strVcdFname);
    /** Whether GetVCD_cdtype() gives #CDTYPE_DVD.
     * @param strVcdFname the image file (null or empty is traced).
     * @return 1 or 0. */
    static int Is_DVD(const char *strVcdFname);
    /** Whether GetVCD_cdtype() gives #CDTYPE_CDEXTRA.
     * @param strVcdFname the image file (null or empty is traced).
     * @return 1 or 0. */
    static int Is_CDEXTRA(const char *strVcdFname);
    /** Whether GetVCD_cdtype() gives #CDTYPE_PHOTO.
     * @param strVcdFname the image file (null or empty is traced).
     * @return 1 or 0. */
    static int Is_PHOTO(const char *strVcdFname);
    /** Whether GetVCD_cdtype() gives #CDTYPE_VIDEO.
     * @param strVcdFname the image file (null or empty is traced).
     * @return 1 or 0. */
    static int Is_VIDEO(const char *strVcdFname);
    /** Whether GetVCD_cdtype() gives #CDTYPE_ISOGEN.
     * @param strVcdFname the image file (null or empty is traced).
     * @return 1 or 0. */
    static int Is_ISOGEN(const char *strVcdFname);
    /** Whether an image is of a cluster kind, stored as several files
     * (#CDTYPE_MIXED, #CDTYPE_DVD or #CDTYPE_CDEXTRA); the header is read
     * once.
     * @param strVcdFname the image file (null or empty is traced).
     * @return 1 or 0. */
    static int Is_Cluster(const char *strVcdFname);
    /** The description of an image and the value stored beside it, read from
     * its header (all 2942 bytes, others denied writing meanwhile, so a file
     * someone is writing gives 0).
     * @param strVcdFname the image file (null or empty is traced).
     * @param strDesc_MAXPATH receives the description, at most 256
     *        characters (required, 260 bytes; null is traced); untouched on
     *        failure.
     * @param pDescInfo receives the header's `dwDescInfo`; set to 0 once
     *        @p strDesc_MAXPATH is known to be given, so it holds 0 after a
     *        failed read (optional).
     * @return 1 when the description was delivered. */
    static int GetDesc(const char *strVcdFname, char *strDesc_MAXPATH, int *pDescInfo);

    /* Image file naming and extension classes */
    /** The extension class of an image file name; the file is not looked at.
     *
     * `T.VCD` is #EXTTYPE_VCD, `T.DVD.Dnn` #EXTTYPE_DVD, `T.VCD.Dnn`
     * #EXTTYPE_MIXEDMODE (nn two digits, any letter case, T not empty);
     * anything else, a bare `T.DVD` included, is #EXTTYPE_NONE.
     * @param strPath a file name, with or without directory (null or empty
     *        is traced).
     * @return the class, 0 to 3. */
    static int GetPathExtType(const char *strPath);
    /** Whether a name is a single image `T.VCD`.
     * @param strPath the name (null or empty is traced).
     * @return 1 or 0. */
    static int IsVCDext(const char *strPath);
    /** Whether a name is a DVD bundle member `T.DVD.Dnn`.
     * @param strPath the name (null or empty is traced).
     * @return 1 or 0. */
    static int IsDVDext(const char *strPath);
    /** Whether a name is a mixed-mode member `T.VCD.Dnn`.
     * @param strPath the name (null or empty is traced).
     * @return 1 or 0. */
    static int Is_MixedModeCD_ext(const char *strPath);
    /** Whether a name is a member of any bundle: IsDVDext(), else
     * Is_MixedModeCD_ext() (so a missing name is traced twice).
     * @param strPath the name.
     * @return 1 or 0. */
    static int Is_Cluster_ext(const char *strPath);
    /** Whether an extension string is a member number: exactly a dot, `D` or
     * `d`, and two digits (`.D00` to `.d99`).
     * @param strExt the extension, not a path (null: 0, not traced).
     * @return 1 or 0. */
    static int IsExt_dot_D_09_09(const char *strExt);
    /** Whether a string is exactly an image member double extension:
     * `.VCD` or `.DVD` (any case), then a member number (`.DVD.D42`).
     * @param strExt the double extension, not a path (null: 0, not traced).
     * @return 1 or 0. */
    static int IsMyExt_VCD_dot_D_09_09(const char *strExt);
    /** The bundle directory and the member prefix of a master name
     * `dir\T.DVD.D00` or `dir\T.VCD.D00` (any case, kept).
     *
     * `C:\img\Movie.DVD\Movie.DVD.D00` gives `C:\img\Movie.DVD\` and
     * `C:\img\Movie.DVD\Movie.DVD.D`. A name without a directory, or directly
     * in a root (`C:\Movie.DVD.D00`), is refused. Traces each missing
     * argument. The file is not looked at.
     * @param strMaster the master name (required).
     * @param strDvdDir_MAXPATH receives drive and directory, ending in a
     *        backslash (required, 260 bytes).
     * @param strDvdPathPre_MAXPATH receives the master name without its two
     *        digits (required, 260 bytes).
     * @return 1 for a master name; on failure nothing is written. */
    static int ParseMaster(const char *strMaster, char *strDvdDir_MAXPATH,
                           char *strDvdPathPre_MAXPATH);
    /** The names of the split DVD bundle for an image, in a directory
     * `T.DVD` beside it (named here, not created).
     *
     * T is the name without its last extension and, when that was `.vcd`,
     * `.dvd` or a member number, without one more extension of any kind:
     * `C:\img\Movie.vcd`, `Movie.VCD.D03` and `Movie.iso` all give
     * `C:\img\Movie.DVD\`, `C:\img\Movie.DVD\Movie.DVD.D` and
     * `C:\img\Movie.DVD\Movie.DVD.D00`. Relative names give relative results.
     * Traces each missing argument.
     * @param strMaster the image name (required).
     * @param strDvdDir_MAXPATH receives the bundle directory, ending in a
     *        backslash (required, 260 bytes).
     * @param strDvdPathPre_MAXPATH receives the member prefix (required, 260
     *        bytes).
     * @param strDvdMaster_MAXPATH receives the master name (required, 260
     *        bytes).
     * @return 1 when all three were made; 0 for an empty title or a result
     * too long, in which case the first one or two outputs may already be
     * written. */
    static int Vcd2Dvd_ext(const char *strMaster, char *strDvdDir_MAXPATH,
                           char *strDvdPathPre_MAXPATH, char *strDvdMaster_MAXPATH);

    /* Split image bundles */
    /** The member names of a DVD bundle, from its master's name and header.
     *
     * The master must be a DVD image by its header (else 0, untraced). Its
     * slave count comes from the header; a header counting more than 99
     * slaves is refused. Entry k receives `dir\T.DVD.Dkk`. Traces the
     * master's name first, each missing argument, the directory, each slave
     * and the total.
     * @param strClusterMaterFile the master (required).
     * @param pNamelist receives the names, 260 bytes each (required; room
     *        for 1 + slave count entries, 100 always suffice).
     * @param strDvdDir receives the bundle directory, ending in a backslash
     *        (required, 260 bytes); may be written on failure.
     * @param pCount receives the number of names (optional).
     * @return 1 when the list was made. */
    static int Get_DVD_AllNamelist(const char *strClusterMaterFile, char (*const pNamelist)[260],
                                   char *strDvdDir, int *pCount);
    /** The member names of any cluster bundle: as Get_DVD_AllNamelist() for
     * a DVD; a mixed-mode or CD-Extra master always gives exactly `.D00` and
     * `.D01`, whatever its header counts.
     * @param strClusterMaterFile the master; must be of a cluster kind by its
     *        header (required).
     * @param pNamelist receives the names, 260 bytes each (required; 100
     *        entries always suffice).
     * @param strDvdDir receives the bundle directory (required, 260 bytes).
     * @param pCount receives the number of names (optional).
     * @return 1 when the list was made. */
    static int Get_Cluster_AllNamelist(const char *strClusterMaterFile,
                                       char (*const pNamelist)[260], char *strDvdDir,
                                       int *pCount);
    /** Whether a DVD bundle is complete: its master exists, its header can be
     * read, and slaves 01 up to the header's count exist as files. Members
     * beyond the count are not looked for; the header's kind is not
     * consulted; a count above 99 is refused.
     * @param strPath the name of any member, `…\T.DVD.Dnn` (required).
     * @param strDVDMasterFile_MAXPATH receives the master's name, ending in
     *        `.D00` (required, 260 bytes); written only on success.
     * @return 1 when complete; 0 at the first gap. Traces each missing
     * argument. */
    static int IsValidDvdBundle(const char *strPath, char *strDVDMasterFile_MAXPATH);
    /** Deletes a cluster bundle after reading its master's header.
     *
     * Lists the members as Get_Cluster_AllNamelist() does, deletes them in
     * order, master first and then the slaves in ascending number (a member
     * already gone counts as deleted; a failure does not stop the others),
     * and, only when every member went, removes the bundle directory. Traces
     * a missing name and the member list.
     * @param strDvdMaster the master (null or empty: traced, result 0).
     * @return #DELBUNDLE_OK, or #DELBUNDLE_NOT_CLUSTER or
     * #DELBUNDLE_NO_NAMELIST (nothing deleted), #DELBUNDLE_MEMBER_FAILED, or
     * #DELBUNDLE_DIR_FAILED (the directory holds other files, for
     * instance). */
    static unsigned long DelClusterBundle(const char *strDvdMaster);
    /** Deletes a bundle by name alone, without reading any header: members
     * `.D00` to `.D99` of the master's prefix (ParseMaster()), all 100 tried
     * whether present or not, then optionally the bundle directory.
     *
     * Traces the name, a refused name, the prefix, each of the 100 names,
     * and a failed directory removal with its error code.
     * @param strClusterMasterFile the master name, `dir\T.DVD.D00` or
     *        `dir\T.VCD.D00` (required).
     * @param bRemoveDir nonzero: remove the bundle directory afterwards
     *        (only an empty one goes).
     * @return 1 when the name was accepted, even when deletions failed; 0 for
     * a missing or refused name, with nothing deleted. */
    static int Del_ClusterBundle_Without_Verify(const char *strClusterMasterFile, int bRemoveDir);
    /** @} */

private:
    friend struct BrenvikTestAccess;

    static int Get_VCDCluster_AllNamelist_internal(const char *strClusterMaterFile, int bDvdOnly,
                                                   char (*const pNamelist)[260],
                                                   char *strDvdDir, int *pCount);
};

#if !defined(_WIN32)
/** @ingroup frame
 * Chooses where the text sent to the debugger output goes (Linux and other
 * POSIX systems only).
 *
 * By default it is appended to the file named by `BRENVIK_DEBUG_OUTPUT` (`-`
 * for standard error), or discarded when that is unset. An installed receiver
 * gets every string instead, exactly as sent, on the thread that sent it.
 * @param receiver called with each string and @p context; null restores the
 *        default.
 * @param context handed to @p receiver unchanged (optional). */
extern "C" BRENVIK_API void brenvik_set_debug_output(void (*receiver)(const char *text,
                                                                      void *context),
                                                     void *context);
#endif

#endif /* BRENVIK_BRENVIK_H */
