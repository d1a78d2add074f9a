// The ping's trace messages without their frame
// "Orlo DbgMessage:<message> FILE:ping.cpp LINE:<n> ".
#ifndef BRENVIK_TESTS_NET_TRACE_LINES_H
#define BRENVIK_TESTS_NET_TRACE_LINES_H

#include <regex>
#include <string>
#include <vector>

namespace brenvik {
namespace test {

inline std::vector<std::string> PingMessages(const std::vector<std::string> &lines)
{
    static const std::regex frame("Orlo DbgMessage:([\\s\\S]*) FILE:ping\\.cpp LINE:[0-9]+ ");
    std::vector<std::string> messages;
    std::smatch m;
    for (const std::string &line : lines)
        messages.push_back(std::regex_match(line, m, frame) ? m[1].str() : "<unframed> " + line);
    return messages;
}

inline std::string PingBegin(const std::string &path, int network, unsigned times, unsigned ms)
{
    return "CDriveEx::PingHost begin.DestPath=" + path + ",bIsNetworkDrive=" +
           std::to_string(network) + ",PingTimes=" + std::to_string(times) +
           ",RequestTime=" + std::to_string(ms) + "ms";
}

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_NET_TRACE_LINES_H
