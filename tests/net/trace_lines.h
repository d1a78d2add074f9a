// The messages of the ping's trace lines, without the "Orlo DbgMessage:"
// frame and its FILE and LINE fields, so that tests compare what was said.
#ifndef BRENVIK_TESTS_NET_TRACE_LINES_H
#define BRENVIK_TESTS_NET_TRACE_LINES_H

#include <cctype>
#include <string>
#include <vector>

namespace brenvik {
namespace test {

// The message of one line "Orlo DbgMessage:<message> FILE:ping.cpp LINE:<n> ",
// or the line itself, marked, when it does not have that form.
inline std::string PingMessage(const std::string &line)
{
    static const std::string prefix = "Orlo DbgMessage:";
    static const std::string file = " FILE:ping.cpp LINE:";
    const std::string bad = "<not a ping trace line> " + line;
    if (line.compare(0, prefix.size(), prefix) != 0 || line.empty() || line.back() != ' ')
        return bad;
    const std::size_t at = line.rfind(file);
    if (at == std::string::npos || at < prefix.size())
        return bad;
    const std::string number = line.substr(at + file.size(), line.size() - 1 - at - file.size());
    if (number.empty())
        return bad;
    for (char c : number)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return bad;
    return line.substr(prefix.size(), at - prefix.size());
}

inline std::vector<std::string> PingMessages(const std::vector<std::string> &lines)
{
    std::vector<std::string> messages;
    for (const std::string &line : lines)
        messages.push_back(PingMessage(line));
    return messages;
}

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_NET_TRACE_LINES_H
