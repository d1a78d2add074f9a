// A simulated machine that also keeps the arguments of every CreateFileA,
// for the tests of the class library's and the runtime's open modes.
#ifndef BRENVIK_TESTS_PLATFORM_AFX_RECORDING_H
#define BRENVIK_TESTS_PLATFORM_AFX_RECORDING_H

#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"

namespace brenvik {
namespace test {

struct CreateFileArgs {
    std::string path;
    DWORD access;
    DWORD share;
    bool hasSecurity;
    DWORD disposition;
    DWORD flags;
    bool hasTemplate;
};

class RecordingMachine : public sim::Machine {
public:
    RecordingMachine() : sim::Machine(sim::Machine::Typical()) {}

    HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                       LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                       DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) override
    {
        opens.push_back({lpFileName ? lpFileName : "", dwDesiredAccess, dwShareMode,
                         lpSecurityAttributes != nullptr, dwCreationDisposition,
                         dwFlagsAndAttributes, hTemplateFile != nullptr});
        return sim::Machine::CreateFileA(lpFileName, dwDesiredAccess, dwShareMode,
                                         lpSecurityAttributes, dwCreationDisposition,
                                         dwFlagsAndAttributes, hTemplateFile);
    }

    // Nonzero: the next WriteFile succeeds but writes this many bytes fewer.
    BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                   LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) override
    {
        DWORD n = nNumberOfBytesToWrite;
        if (shortWrite != 0 && n >= shortWrite) {
            n -= shortWrite;
            shortWrite = 0;
        }
        return sim::Machine::WriteFile(hFile, lpBuffer, n, lpNumberOfBytesWritten, lpOverlapped);
    }

    std::vector<CreateFileArgs> opens;
    DWORD shortWrite = 0;
};

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_PLATFORM_AFX_RECORDING_H
