// The debug trace: one-line messages on the debugger output, filtered by the
// level in HKEY_LOCAL_MACHINE\SOFTWARE\OrloDebug, value DebugLevel.
#ifndef BRENVIK_FRAME_TRACE_H
#define BRENVIK_FRAME_TRACE_H

extern int g_bDbgEnabled;
extern unsigned long g_dwDbgLevel;

// Reads the registry setting into g_bDbgEnabled and g_dwDbgLevel.
void DbgLoadLevel();
// Formats into the calling thread's 520-byte message buffer (cleared first)
// and returns it; a longer message is cut at 519 characters.
const char *DbgFormat(const char *format, ...);
// Sends "Orlo DbgMessage:%s FILE:%s LINE:%d " when the filter lets it pass.
void DbgMessage(const char *sourcePath, int line, const char *message, unsigned long level);
// The text after the last backslash of path, in the calling thread's
// 260-byte file-name buffer; empty when there is no backslash.
const char *DbgFileTitle(const char *path);

// Every trace site: the message is formatted whatever the level, only the
// sending is filtered. The source path names the site's file.
#define DBG_TRACE_SOURCE "brenvik\\" __FILE_NAME__
#define DBG_TRACE(...) DbgMessage(DBG_TRACE_SOURCE, __LINE__, DbgFormat(__VA_ARGS__), 1)

#endif  // BRENVIK_FRAME_TRACE_H
