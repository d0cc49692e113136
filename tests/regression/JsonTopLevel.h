#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvel {

// The members of a JSON object's top level as they stand in the text: each key with the exact
// characters of its value (from its first to its last character, surrounding blanks left out).
// Returns false, with a message in `error`, when the text is not one object.
bool SplitTopLevel(std::string_view text, std::vector<std::pair<std::string, std::string>>& members,
                   std::string& error);

// 64-bit FNV-1a of the bytes of `text`.
std::uint64_t Fnv1a64(std::string_view text);

// A stored fingerprint of one member: its key, its value's length in bytes and its FNV-1a hash.
struct MemberHash {
    std::string key;
    std::size_t length = 0;
    std::uint64_t hash = 0;
};

// "key length hash-in-hex" lines, one per member.
std::string FormatHashes(const std::vector<std::pair<std::string, std::string>>& members);
bool ParseHashes(std::string_view text, std::vector<MemberHash>& hashes, std::string& error);

// Compares the members of `actual` with the expected ones: every expected key must be present with
// the same value (texts byte for byte, or length and hash). Keys that only `actual` has are ignored.
// Returns the list of differences, empty when they agree.
std::vector<std::string> CompareMembers(const std::vector<std::pair<std::string, std::string>>& expected,
                                        const std::vector<std::pair<std::string, std::string>>& actual);
std::vector<std::string> CompareHashes(const std::vector<MemberHash>& expected,
                                       const std::vector<std::pair<std::string, std::string>>& actual);

} // namespace korvel
