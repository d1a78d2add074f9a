// The subset of the host's class library that the library is written
// against: CObject, CFile, CFileStatus and CFileException (declared in the
// public header, since the exported classes need them), and here CString,
// CFileFind, the message box and the extension-module protocol. All of it
// runs on the platform services, so it behaves alike on every backend.
#ifndef BRENVIK_PLATFORM_AFX_AFX_H
#define BRENVIK_PLATFORM_AFX_AFX_H

#include <brenvik/brenvik.h>

#include <cstddef>

#include "platform/win32_types.h"

// ---- CString ------------------------------------------------------------------
// A byte string that keeps strings shorter than kInline in the object itself,
// so that path-sized strings never touch the heap. Only what the library
// builds paths with: searches and comparisons go through the runtime.
class CString {
public:
    static constexpr int kInline = 272;

    CString();
    CString(const char *psz);
    CString(const char *pch, int nLength);
    CString(char ch, int nRepeat = 1);
    CString(const CString &other);
    CString(CString &&other) noexcept;
    ~CString();

    CString &operator=(const CString &other);
    CString &operator=(CString &&other) noexcept;
    CString &operator=(const char *psz);
    CString &operator=(char ch);

    int GetLength() const { return length_; }
    bool IsEmpty() const { return length_ == 0; }
    void Empty();
    operator const char *() const { return data_; }
    const char *GetString() const { return data_; }

    CString &operator+=(const char *psz);
    CString &operator+=(const CString &other);
    CString &operator+=(char ch);
    friend CString operator+(const CString &a, const char *b);

private:
    void Reserve(int capacity);
    void Assign(const char *pch, int nLength);
    void Append(const char *pch, int nLength);

    char *data_;
    int length_;
    int capacity_;
    char inline_[kInline];
};

// ---- CFileFind ------------------------------------------------------------------
// The usual turn: FindFile opens the search and reads ahead one entry;
// each FindNextFile makes the read-ahead entry current, reads the next one,
// and returns whether there is one; the caller then looks at the current
// entry. The listing streams: memory does not grow with the directory.
class CFileFind : public CObject {
public:
    CFileFind();
    virtual ~CFileFind();

    // pstrName null means "*.*". dwUnused must be 0.
    virtual BOOL FindFile(const char *pstrName = nullptr, DWORD dwUnused = 0);
    virtual BOOL FindNextFile();
    void Close();

    CString GetFileName() const;
    // The directory of the search text, a backslash, and the entry's name.
    CString GetFilePath() const;
    DWORD GetAttributes() const;
    unsigned long long GetLength() const;

    BOOL MatchesMask(DWORD dwMask) const;
    BOOL IsDots() const;
    BOOL IsDirectory() const { return MatchesMask(FILE_ATTRIBUTE_DIRECTORY); }
    BOOL IsReadOnly() const { return MatchesMask(FILE_ATTRIBUTE_READONLY); }
    BOOL IsHidden() const { return MatchesMask(FILE_ATTRIBUTE_HIDDEN); }
    BOOL IsSystem() const { return MatchesMask(FILE_ATTRIBUTE_SYSTEM); }
    BOOL IsArchived() const { return MatchesMask(FILE_ATTRIBUTE_ARCHIVE); }
    BOOL IsReparsePoint() const { return MatchesMask(FILE_ATTRIBUTE_REPARSE_POINT); }

    // Beyond the class library, for walks that must not leave their tree:
    // FindFile of pstrName, a directory that parent lists, a separator and a
    // pattern, with the directory opened relative to parent's search where
    // the services can (FindFirstFileInA).
    BOOL FindFileIn(const CFileFind &parent, const char *pstrName);
    // The search, for the services' calls on the entries it lists.
    HANDLE GetSearchHandle() const { return hContext_; }

private:
    BOOL Start(HANDLE parent, const char *pstrName);

    HANDLE hContext_;
    bool haveCurrent_;
    bool haveNext_;
    WIN32_FIND_DATAA current_;
    WIN32_FIND_DATAA next_;
    CString root_;
};

// ---- Message box ------------------------------------------------------------------
// Shows lpszText modally (MessageBoxA through the services) and returns the
// button that closed it.
int AfxMessageBox(const char *lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);

// ---- Extension modules ------------------------------------------------------------
// Our hosts have no class library of their own, so the chain of extension
// modules is the library's: a list of CDynLinkLibrary objects.
struct AFX_EXTENSION_MODULE {
    BOOL bInitialized;
    HINSTANCE hModule;
    HINSTANCE hResource;
    CRuntimeClass *pFirstSharedClass;
    void *pFirstSharedFactory;
};

class CDynLinkLibrary : public CObject {
public:
    CDynLinkLibrary(AFX_EXTENSION_MODULE &state, BOOL bSystem = FALSE);
    virtual ~CDynLinkLibrary();

    HINSTANCE m_hModule;
    HINSTANCE m_hResource;
    CRuntimeClass *m_pFirstSharedClass;
    BOOL m_bSystem;
    CDynLinkLibrary *m_pNextDLL;
};

// The start-up hook that runs before the module's static construction: saves
// and empties the module state's class and factory lists.
void AfxCoreInitModule();
BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE &state, HINSTANCE hModule);
// Unlinks and deletes the module's CDynLinkLibrary objects.
void AfxTermExtensionModule(AFX_EXTENSION_MODULE &state, BOOL bAll = FALSE);
// The head of the chain, for inspection.
CDynLinkLibrary *AfxGetFirstDynLinkLibrary();

#endif  // BRENVIK_PLATFORM_AFX_AFX_H
