// Checks a korvel-batch --json output against a stored one, member by member of the top level.
//
//   json_check EXPECTED.json ACTUAL.json   every stored member byte for byte
//   json_check EXPECTED.hash ACTUAL.json   every stored member by length and hash
//   json_check --hash ACTUAL.json          prints the hashes to store
//
// Members that the stored output does not have are ignored, so that new members may follow.

#include "JsonTopLevel.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

using namespace korvel;

namespace {
bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

bool Split(const std::string& path, std::vector<std::pair<std::string, std::string>>& members) {
    std::string text, error;
    if (!ReadFile(path, text)) {
        std::fprintf(stderr, "json_check: cannot read %s\n", path.c_str());
        return false;
    }
    if (!SplitTopLevel(text, members, error)) {
        std::fprintf(stderr, "json_check: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}
} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--hash") {
        std::vector<std::pair<std::string, std::string>> members;
        if (!Split(argv[2], members)) return 2;
        std::fputs(FormatHashes(members).c_str(), stdout);
        return 0;
    }
    if (argc != 3) {
        std::fputs(
            "usage: json_check EXPECTED.json|EXPECTED.hash ACTUAL.json | json_check --hash ACTUAL.json\n",
            stderr);
        return 2;
    }
    const std::string expectedPath = argv[1];
    std::vector<std::pair<std::string, std::string>> actual;
    if (!Split(argv[2], actual)) return 2;
    std::vector<std::string> diffs;
    if (expectedPath.size() > 5 && expectedPath.substr(expectedPath.size() - 5) == ".hash") {
        std::string text, error;
        std::vector<MemberHash> hashes;
        if (!ReadFile(expectedPath, text) || !ParseHashes(text, hashes, error)) {
            std::fprintf(stderr, "json_check: %s: %s\n", expectedPath.c_str(),
                         error.empty() ? "cannot read" : error.c_str());
            return 2;
        }
        diffs = CompareHashes(hashes, actual);
    } else {
        std::vector<std::pair<std::string, std::string>> expected;
        if (!Split(expectedPath, expected)) return 2;
        diffs = CompareMembers(expected, actual);
    }
    for (const std::string& d : diffs)
        std::fprintf(stderr, "%s\n", d.c_str());
    if (!diffs.empty()) return 1;
    std::printf("identical to %s\n", expectedPath.c_str());
    return 0;
}
