// ICMP echo to the computer behind a UNC path or a mapped network drive.
// Every step is traced; the socket layer is started and stopped by each call.
#include <brenvik/brenvik.h>

#include <cstdint>
#include <cstring>

#include "frame/trace.h"
#include "platform/crt/crt.h"
#include "platform/services.h"
#include "platform/win32_types.h"

using brenvik::platform::sys;

namespace {

constexpr std::size_t kRequestSize = 44;
constexpr std::size_t kDataOffset = 12;
constexpr unsigned char kDataByte = 0x45;  // 'E'
constexpr int kReceiveSize = 1024;
// The IPv4 header in front of what a raw socket receives is taken to be 20
// bytes; with the ICMP header and the timestamp, 32 bytes are not payload.
constexpr int kIpHeaderSize = 20;
constexpr int kOverhead = 32;
constexpr unsigned char kEchoRequest = 8;
constexpr unsigned char kEchoReply = 0;

// A RequestTime of 0 would set no receive time-out, and the call could then
// wait for ever for an ICMP message that never comes. The library bounds
// that wait: with RequestTime 0 the socket gets this time-out instead (the
// time Windows' own ping waits for a reply). The traces still show the
// RequestTime the caller gave.
constexpr DWORD kUnboundedRequestTimeMs = 4000;

void PutWord(unsigned char *at, uint16_t value)
{
    std::memcpy(at, &value, sizeof value);
}

void PutDword(unsigned char *at, uint32_t value)
{
    std::memcpy(at, &value, sizeof value);
}

uint16_t GetWord(const unsigned char *at)
{
    uint16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

uint32_t GetDword(const unsigned char *at)
{
    uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

}  // namespace

unsigned short CDriveEx::GetCheckSum(unsigned char *pBuffer, unsigned long nLength)
{
    uint32_t sum = 0;
    unsigned long i = 0;
    for (; i + 1 < nLength; i += 2)
        sum += GetWord(pBuffer + i);
    if (nLength & 1)
        sum += pBuffer[nLength - 1];
    while (sum >> 16)
        sum = (sum >> 16) + (sum & 0xFFFFu);
    return static_cast<unsigned short>(~sum & 0xFFFFu);
}

int CDriveEx::PingHost(const char *DestPath, int bIsNetworkDrive, unsigned int PingTimes,
                       unsigned int RequestTime)
{
    DBG_TRACE("CDriveEx::PingHost begin.DestPath=%s,bIsNetworkDrive=%d,PingTimes=%d,"
              "RequestTime=%dms",
              DestPath, bIsNetworkDrive, static_cast<int>(PingTimes),
              static_cast<int>(RequestTime));
    if (DestPath == nullptr || DestPath[0] == '\0') {
        DBG_TRACE("CDriveEx::PingHost abort,parameter is wrong");
        return 0;
    }

    SPLITFPATH_tag split;
    const char *path = DestPath;
    char remote[BRENVIK_MAX_PATH];
    if (bIsNetworkDrive) {
        if (!SplitDrvpath_p(path, &split)) {
            DBG_TRACE("CDriveEx::PingHost abort,split network drive path failed."
                      "DestPath is invalid");
            return 0;
        }
        split.drv.strDrv[2] = '\0';  // "X:"
        std::memset(remote, 0, sizeof remote);
        DWORD length = sizeof remote;
        // Only the name counts: a remembered connection that is down still names it.
        sys().WNetGetConnectionA(split.drv.strDrv, remote, &length);
        remote[sizeof remote - 1] = '\0';
        if (remote[0] == '\0') {
            DBG_TRACE("CDriveEx::PingHost abort,get name of the network resource failed."
                      "DestPath is invalid");
            return 0;
        }
        path = remote;
    }
    if (!SplitUNC_p(path, &split)) {
        DBG_TRACE("CDriveEx::PingHost abort,split UNC failed.DestPath is invalid");
        return 0;
    }

    WSADATA wsaData;
    if (sys().WSAStartup(0x0202, &wsaData) != 0)
        return 0;

    struct hostent *host = sys().gethostbyname(split.unc.strComputer_name);
    // An entry without an address cannot be pinged; it counts as not resolved.
    if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr) {
        DBG_TRACE("CDriveEx::PingHost abort,gethostbyname failed.DestPath is invalid");
        sys().WSACleanup();
        return 0;
    }
    char dotted[BRENVIK_MAX_PATH];
    std::memset(dotted, 0, sizeof dotted);
    {
        const unsigned char *a = reinterpret_cast<const unsigned char *>(host->h_addr_list[0]);
        brenvik::crt::wsprintfA(dotted, "%u.%u.%u.%u", static_cast<unsigned>(a[0]),
                                static_cast<unsigned>(a[1]), static_cast<unsigned>(a[2]),
                                static_cast<unsigned>(a[3]));
    }
    struct sockaddr_in destination;
    std::memset(&destination, 0, sizeof destination);
    destination.sin_family = AF_INET;
    destination.sin_port = htons(0);
    destination.sin_addr.s_addr = static_cast<uint32_t>(sys().inet_addr(dotted));

    const uint16_t identifier = static_cast<uint16_t>(sys().GetCurrentProcessId() & 0xFFFFu);
    unsigned char request[kRequestSize];
    std::memset(request, 0, sizeof request);
    request[0] = kEchoRequest;
    request[1] = 0;
    PutWord(request + 4, identifier);
    std::memset(request + kDataOffset, kDataByte, kRequestSize - kDataOffset);

    const SOCKET s = sys().socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (s == INVALID_SOCKET) {
        DBG_TRACE("CDriveEx::PingHost abort,Create socket error.ret(%d)", sys().WSAGetLastError());
        sys().WSACleanup();
        return 0;
    }
    const DWORD timeout = RequestTime != 0 ? static_cast<DWORD>(RequestTime)
                                           : kUnboundedRequestTimeMs;
    sys().setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&timeout),
                     static_cast<int>(sizeof timeout));

    int result = 0;
    for (unsigned int attempt = 0; attempt < PingTimes; ++attempt) {
        PutWord(request + 2, 0);
        PutWord(request + 6, static_cast<uint16_t>(attempt));
        PutDword(request + 8, sys().GetTickCount());
        PutWord(request + 2, GetCheckSum(request, kRequestSize));

        if (sys().sendto(s, reinterpret_cast<const char *>(request), static_cast<int>(kRequestSize),
                         0, reinterpret_cast<const struct sockaddr *>(&destination),
                         static_cast<int>(sizeof destination)) == SOCKET_ERROR) {
            DBG_TRACE("CDriveEx::PingHost PING break,sendto error,ret(%d)",
                      sys().WSAGetLastError());
            break;
        }

        unsigned char reply[kReceiveSize];
        struct sockaddr_in from;
        std::memset(&from, 0, sizeof from);
        int fromLength = static_cast<int>(sizeof from);
        const int received = sys().recvfrom(s, reinterpret_cast<char *>(reply), kReceiveSize, 0,
                                            reinterpret_cast<struct sockaddr *>(&from),
                                            &fromLength);
        if (received == SOCKET_ERROR) {
            if (sys().WSAGetLastError() == WSAETIMEDOUT) {
                DBG_TRACE("CDriveEx::PingHost Ping(%s) Request Timeout,requetTime=%dms", dotted,
                          static_cast<int>(RequestTime));
                continue;
            }
            DBG_TRACE("CDriveEx::PingHost PING break,recvfrom error");
            break;
        }
        const DWORD elapsed = sys().GetTickCount() - GetDword(request + 8);
        const int payload = received - kOverhead;
        if (payload < 0) {
            DBG_TRACE("CDriveEx::PingHost Ping(%s) less recv bytes", dotted);
            continue;
        }
        if (reply[kIpHeaderSize] != kEchoReply) {
            DBG_TRACE("CDriveEx::PingHost PING break,Not ICMP respond type");
            break;
        }
        if (GetWord(reply + kIpHeaderSize + 4) != identifier) {
            DBG_TRACE("CDriveEx::PingHost PING break,not valid id");
            break;
        }
        DBG_TRACE("CDriveEx::PingHost PING,%d bytes replay from %s : bytes=%d time=%dms\n",
                  received, sys().inet_ntoa(from.sin_addr), payload, static_cast<int>(elapsed));
        result = 1;
        break;
    }

    sys().closesocket(s);
    sys().WSACleanup();
    DBG_TRACE("CDriveEx::PingHost end,ret=%d", result);
    return result;
}
