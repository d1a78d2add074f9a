// Win32 path rules: parsing, normalisation, wildcards, and looking a path up
// in the machine's volumes.
#include <cstring>

#include "platform/sim/sim_state.h"

namespace brenvik {
namespace sim {

bool IsSep(char c)
{
    return c == '\\' || c == '/';
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

namespace {

// The text cut into characters: one byte, or two for a double-byte one.
std::vector<std::string> Chars(const std::string &s, UINT acp)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (IsLeadByte(acp, static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
            out.push_back(s.substr(i, 2));
            ++i;
        } else {
            out.push_back(s.substr(i, 1));
        }
    }
    return out;
}

// Components between separators; runs of separators count as one.
std::vector<std::string> SplitComponents(const std::string &s, UINT acp, bool *trailingSep)
{
    std::vector<std::string> parts;
    std::string cur;
    bool lastWasSep = false;
    for (const std::string &ch : Chars(s, acp)) {
        if (ch.size() == 1 && IsSep(ch[0])) {
            if (!cur.empty())
                parts.push_back(cur);
            cur.clear();
            lastWasSep = true;
        } else {
            cur += ch;
            lastWasSep = false;
        }
    }
    if (!cur.empty())
        parts.push_back(cur);
    if (trailingSep)
        *trailingSep = lastWasSep;
    return parts;
}

bool StartsWithSep(const std::string &s)
{
    return !s.empty() && IsSep(s[0]);
}

// ERROR_INVALID_NAME for a character no name may hold; wildcards pass where
// a find pattern allows them.
DWORD CheckComponent(const std::string &name, UINT acp, bool wildcardsAllowed)
{
    if (name.size() > 255)
        return ERROR_INVALID_NAME;
    for (const std::string &ch : Chars(name, acp)) {
        if (ch.size() != 1)
            continue;
        unsigned char c = static_cast<unsigned char>(ch[0]);
        if (c < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|')
            return ERROR_INVALID_NAME;
        if ((c == '?' || c == '*') && !wildcardsAllowed)
            return ERROR_INVALID_NAME;
    }
    return 0;
}

bool AllDots(const std::string &s)
{
    return !s.empty() && s.find_first_not_of('.') == std::string::npos;
}

// Applies the components of `rest` to `form`: "." and ".." are evaluated,
// an inner component loses one trailing dot, the last one all trailing dots
// and spaces (unless the text ends in a separator, or keepFinal).
DWORD Apply(const std::string &rest, UINT acp, bool keepFinal, bool literal, PathForm *form)
{
    bool trailing = false;
    std::vector<std::string> comps = SplitComponents(rest, acp, &trailing);
    form->trailingSep = trailing;
    for (std::size_t i = 0; i < comps.size(); ++i) {
        std::string c = comps[i];
        bool last = (i + 1 == comps.size());
        bool isFinalName = last && !trailing;
        if (literal) {
            if (DWORD e = CheckComponent(c, acp, keepFinal && last))
                return e;
            form->parts.push_back(c);
            continue;
        }
        if (keepFinal && last) {
            if (DWORD e = CheckComponent(c, acp, true))
                return e;
            form->parts.push_back(c);
            continue;
        }
        if (c == ".")
            continue;
        if (c == "..") {
            if (!form->parts.empty())
                form->parts.pop_back();
            continue;
        }
        if (isFinalName) {
            std::size_t end = c.find_last_not_of(". ");
            c = (end == std::string::npos) ? std::string() : c.substr(0, end + 1);
        } else if (c.size() > 1 && c.back() == '.' && !AllDots(c)) {
            c.pop_back();
        }
        if (c.empty()) {
            if (last)
                form->trailingSep = true;
            continue;
        }
        if (DWORD e = CheckComponent(c, acp, false))
            return e;
        form->parts.push_back(c);
    }
    return 0;
}

bool StartsWithNoCase(const std::string &s, const char *prefix)
{
    std::size_t n = std::strlen(prefix);
    if (s.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (Upper(s[i]) != Upper(prefix[i]))
            return false;
    return true;
}

}  // namespace

bool IsLeadByte(UINT acp, unsigned char c)
{
    switch (acp) {
    case 932:
        return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936:
    case 949:
    case 950:
        return c >= 0x81 && c <= 0xFE;
    default:
        return false;
    }
}

std::string Fold(const std::string &name, UINT acp)
{
    std::string out = name;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (IsLeadByte(acp, static_cast<unsigned char>(out[i])) && i + 1 < out.size())
            ++i;
        else
            out[i] = Upper(out[i]);
    }
    return out;
}

bool NameEquals(const std::string &a, const std::string &b, UINT acp)
{
    return a.size() == b.size() && Fold(a, acp) == Fold(b, acp);
}

bool HasWildcards(const std::string &name)
{
    return name.find_first_of("*?") != std::string::npos;
}

bool WildcardMatch(const std::string &pattern, const std::string &name, UINT acp)
{
    // What FindFirstFile hands the file system: '?' becomes "any character
    // or nothing before a dot or the end", '*' before a dot stops at the
    // name's last dot, a dot before a wildcard or at the end may match the
    // end of the name. So "*.*" matches every name, "*." names without a dot.
    enum : int { kStar = -1, kDosStar = -2, kDosQm = -3, kDosDot = -4 };
    std::vector<std::string> pc = Chars(Fold(pattern, acp), acp);
    std::vector<std::string> nc = Chars(Fold(name, acp), acp);
    std::vector<int> tok(pc.size());
    for (std::size_t i = 0; i < pc.size(); ++i) {
        const std::string &c = pc[i];
        bool hasNext = i + 1 < pc.size();
        if (c == "?")
            tok[i] = kDosQm;
        else if (c == "*")
            tok[i] = (hasNext && pc[i + 1] == ".") ? kDosStar : kStar;
        else if (c == "." && (!hasNext || pc[i + 1] == "?" || pc[i + 1] == "*"))
            tok[i] = kDosDot;
        else
            tok[i] = static_cast<int>(i);  // a literal: compare pc[i]
    }
    if (pattern == "*.*")
        tok.assign(1, kStar);

    std::size_t lastDot = std::string::npos;
    for (std::size_t i = 0; i < nc.size(); ++i)
        if (nc[i] == ".")
            lastDot = i;

    const std::size_t P = tok.size(), N = nc.size();
    // memo[p][n]: 0 unknown, 1 no, 2 yes
    std::vector<char> memo((P + 1) * (N + 1), 0);
    std::function<bool(std::size_t, std::size_t)> match = [&](std::size_t p, std::size_t n) {
        char &m = memo[p * (N + 1) + n];
        if (m)
            return m == 2;
        bool r = false;
        if (p == P) {
            r = (n == N);
        } else {
            int t = tok[p];
            if (t == kStar) {
                for (std::size_t k = n; k <= N && !r; ++k)
                    r = match(p + 1, k);
            } else if (t == kDosStar) {
                std::size_t limit = (lastDot != std::string::npos && lastDot >= n) ? lastDot : N;
                for (std::size_t k = n; k <= limit && !r; ++k)
                    r = match(p + 1, k);
            } else if (t == kDosQm) {
                if (n == N || nc[n] == ".")
                    r = match(p + 1, n);
                else
                    r = match(p + 1, n + 1);
            } else if (t == kDosDot) {
                if (n < N && nc[n] == ".")
                    r = match(p + 1, n + 1);
                else if (n == N)
                    r = match(p + 1, n);
            } else {
                r = n < N && nc[n] == pc[static_cast<std::size_t>(t)] && match(p + 1, n + 1);
            }
        }
        m = r ? 2 : 1;
        return r;
    };
    return match(0, 0);
}

std::string PathForm::Root() const
{
    if (unc)
        return "\\\\" + server + "\\" + share + "\\";
    return std::string(1, letter) + ":\\";
}

std::string PathForm::Full() const
{
    std::string s = Root();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            s += '\\';
        s += parts[i];
    }
    return s;
}

DWORD ParsePath(const std::string &raw, const std::string &cwd, UINT acp, bool keepFinal,
                PathForm *out)
{
    *out = PathForm();
    if (raw.empty())
        return ERROR_PATH_NOT_FOUND;
    // An ANSI path must fit the 260-character buffer it is widened into.
    if (raw.size() > MAX_PATH)
        return ERROR_FILENAME_EXCED_RANGE;

    if (raw.size() >= 2 && IsSep(raw[0]) && IsSep(raw[1])) {
        std::string rest = raw.substr(2);
        bool literal = false;
        if (rest.size() >= 2 && (rest[0] == '?' || rest[0] == '.') && IsSep(rest[1])) {
            if (rest[0] == '.')
                return ERROR_FILE_NOT_FOUND;  // devices are not modelled
            // "\\?\": no normalisation.
            literal = true;
            rest = rest.substr(2);
            if (StartsWithNoCase(rest, "UNC\\") || StartsWithNoCase(rest, "UNC/")) {
                rest = rest.substr(4);
            } else {
                if (rest.size() < 3 || !IsLetter(rest[0]) || rest[1] != ':' || !IsSep(rest[2]))
                    return ERROR_INVALID_NAME;
                out->letter = Upper(rest[0]);
                return Apply(rest.substr(3), acp, keepFinal, true, out);
            }
        }
        bool trailing = false;
        std::vector<std::string> comps = SplitComponents(rest, acp, &trailing);
        if (comps.size() < 2 || StartsWithSep(rest))
            return ERROR_BAD_PATHNAME;
        for (int i = 0; i < 2; ++i)
            if (CheckComponent(comps[static_cast<std::size_t>(i)], acp, false))
                return ERROR_INVALID_NAME;
        out->unc = true;
        out->server = comps[0];
        out->share = comps[1];
        // What follows the share: skip server, separators, share.
        std::vector<std::string> chars = Chars(rest, acp);
        auto sepAt = [&chars](std::size_t k) { return chars[k].size() == 1 && IsSep(chars[k][0]); };
        std::size_t byte = 0, i = 0;
        while (i < chars.size() && !sepAt(i))
            byte += chars[i++].size();
        while (i < chars.size() && sepAt(i))
            byte += chars[i++].size();
        while (i < chars.size() && !sepAt(i))
            byte += chars[i++].size();
        std::string tail = byte < rest.size() ? rest.substr(byte) : std::string();
        return Apply(tail, acp, keepFinal, literal, out);
    }

    PathForm base;
    std::string rest;
    if (raw.size() >= 2 && IsLetter(raw[0]) && raw[1] == ':') {
        char letter = Upper(raw[0]);
        rest = raw.substr(2);
        if (StartsWithSep(rest)) {
            base.letter = letter;
        } else {
            PathForm cur;
            if (ParsePath(cwd, "C:\\", acp, false, &cur) == 0 && !cur.unc && cur.letter == letter)
                base = cur;
            else
                base.letter = letter;
        }
    } else {
        PathForm cur;
        if (DWORD e = ParsePath(cwd, "C:\\", acp, false, &cur))
            return e;
        if (StartsWithSep(raw)) {
            base = cur;
            base.parts.clear();
        } else {
            base = cur;
        }
        rest = raw;
    }
    *out = base;
    out->trailingSep = false;
    return Apply(rest, acp, keepFinal, false, out);
}

VolumeEntry *MachineState::FindVolume(const PathForm &form, Use use, DWORD *error) const
{
    VolumeEntry *vol = nullptr;
    if (form.unc) {
        std::string key = Fold(form.server + "\\" + form.share, acp);
        auto it = shares.find(key);
        if (it != shares.end()) {
            vol = it->second.get();
        } else {
            std::string server = Fold(form.server, acp) + "\\";
            bool serverKnown = false;
            for (const auto &s : shares)
                if (s.first.compare(0, server.size(), server) == 0)
                    serverKnown = true;
            *error = serverKnown ? ERROR_BAD_NET_NAME : ERROR_BAD_NETPATH;
            return nullptr;
        }
    } else {
        auto it = drives.find(form.letter);
        if (it != drives.end()) {
            vol = it->second.get();
        } else {
            auto c = connections.find(form.letter);
            if (c != connections.end() && c->second.connected) {
                PathForm remote;
                if (ParsePath(c->second.remote, "C:\\", acp, false, &remote) == 0 && remote.unc)
                    vol = FindVolume(remote, use, error);
                if (!vol) {
                    *error = ERROR_PATH_NOT_FOUND;
                    return nullptr;
                }
            } else {
                *error = ERROR_PATH_NOT_FOUND;
                return nullptr;
            }
        }
    }
    if (use == Use::Service && !vol->config->mediumPresent()) {
        *error = ERROR_NOT_READY;
        return nullptr;
    }
    return vol;
}

namespace {

NodePtr Child(const NodePtr &dir, const std::string &name, UINT acp)
{
    auto it = dir->children.find(Fold(name, acp));
    return it == dir->children.end() ? nullptr : it->second;
}

}  // namespace

Resolved MachineState::Resolve(const std::string &raw, bool followFinal, Use use,
                               bool pattern) const
{
    Resolved r;
    PathForm form;
    r.error = ParsePath(raw, cwd, acp, pattern, &form);
    if (r.error)
        return r;
    r.full = form.Full();
    r.trailingSep = form.trailingSep;

    for (int hops = 0;; ++hops) {
        if (hops > kMaxLinkHops) {
            r.error = ERROR_CANT_RESOLVE_FILENAME;
            return r;
        }
        DWORD e = 0;
        VolumeEntry *vol = FindVolume(form, use, &e);
        if (!vol) {
            r.error = e;
            return r;
        }
        r.vol = vol;
        if (form.parts.empty()) {
            r.root = true;
            r.dir = nullptr;
            r.node = vol->root;
            r.name.clear();
            return r;
        }
        r.root = false;
        NodePtr cur = vol->root;
        bool restarted = false;
        for (std::size_t i = 0; i + 1 < form.parts.size(); ++i) {
            NodePtr child = Child(cur, form.parts[i], acp);
            if (!child || child->kind == Node::File) {
                r.error = ERROR_PATH_NOT_FOUND;
                return r;
            }
            if (child->kind == Node::Link) {
                // Go on from the link's target, relative to the link's directory.
                PathForm linkDir = form;
                linkDir.parts.resize(i);
                PathForm next;
                if (ParsePath(child->target, linkDir.Full(), acp, false, &next)) {
                    r.error = ERROR_PATH_NOT_FOUND;
                    return r;
                }
                for (std::size_t j = i + 1; j < form.parts.size(); ++j)
                    next.parts.push_back(form.parts[j]);
                next.trailingSep = form.trailingSep;
                form = next;
                restarted = true;
                break;
            }
            cur = child;
        }
        if (restarted)
            continue;
        r.dir = cur;
        r.name = form.parts.back();
        r.node = Child(cur, r.name, acp);
        if (followFinal && r.node && r.node->kind == Node::Link) {
            PathForm linkDir = form;
            linkDir.parts.pop_back();
            PathForm next;
            if (ParsePath(r.node->target, linkDir.Full(), acp, false, &next)) {
                r.error = ERROR_PATH_NOT_FOUND;
                return r;
            }
            next.trailingSep = form.trailingSep;
            form = next;
            continue;
        }
        return r;
    }
}

std::string MachineState::FullOf(const std::string &raw) const
{
    PathForm form;
    if (ParsePath(raw, cwd, acp, true, &form))
        return std::string();
    return form.Full();
}

}  // namespace sim
}  // namespace brenvik
