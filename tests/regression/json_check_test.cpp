#include "JsonTopLevel.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace {
using Members = std::vector<std::pair<std::string, std::string>>;

Members Split(const std::string& text) {
    Members m;
    std::string error;
    EXPECT_TRUE(SplitTopLevel(text, m, error)) << error;
    return m;
}
} // namespace

TEST(JsonTopLevel, SplitsMembersKeepingTheirTextExactly) {
    const Members m = Split("{\"Tau\": 600,\n \"fields\": {\"Tem\": [[1,2],\n   [3, 4]]},\n"
                            " \"s\": \"a,}]\\\"b\", \"e\": [], \"n\": null}\n");
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[0], (std::pair<std::string, std::string>{"Tau", "600"}));
    EXPECT_EQ(m[1].second, "{\"Tem\": [[1,2],\n   [3, 4]]}");
    EXPECT_EQ(m[2].second, "\"a,}]\\\"b\"");
    EXPECT_EQ(m[3].second, "[]");
    EXPECT_EQ(m[4].second, "null");
}

TEST(JsonTopLevel, RefusesTextThatIsNotOneObject) {
    Members m;
    std::string error;
    for (const char* bad :
         {"", "[1]", "{\"a\": [1, 2}", "{\"a\": 1", "{\"a\": 1} x", "{\"a\" 1}", "{\"a\": \"x}"}) {
        EXPECT_FALSE(SplitTopLevel(bad, m, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_TRUE(SplitTopLevel(" {} ", m, error));
    EXPECT_TRUE(m.empty());
}

TEST(JsonTopLevel, AddedMembersAreIgnoredChangedOrMissingOnesReported) {
    const Members stored = Split("{\"Tau\": 1.5, \"history\": [1, 2]}");
    EXPECT_TRUE(CompareMembers(stored, Split("{\"Tau\": 1.5, \"history\": [1, 2], \"verdict\": {\"ok\": 1}}"))
                    .empty());
    // The order of the members does not matter, only their text.
    EXPECT_TRUE(CompareMembers(stored, Split("{\"history\": [1, 2], \"Tau\": 1.5}")).empty());
    // One bit of difference in the last digit, a change of spacing, a missing member.
    EXPECT_EQ(CompareMembers(stored, Split("{\"Tau\": 1.5000000000000002, \"history\": [1, 2]}")).size(), 1u);
    EXPECT_EQ(CompareMembers(stored, Split("{\"Tau\": 1.5, \"history\": [1,2]}")).size(), 1u);
    const auto missing = CompareMembers(stored, Split("{\"Tau\": 1.5}"));
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_NE(missing[0].find("history"), std::string::npos) << missing[0];
}

TEST(JsonTopLevel, HashesRoundTripAndCatchAChange) {
    const Members stored = Split("{\"Tau\": 600, \"fields\": {\"Tem\": [[1515, 1514.5]]}}");
    std::vector<MemberHash> hashes;
    std::string error;
    ASSERT_TRUE(ParseHashes(FormatHashes(stored), hashes, error)) << error;
    ASSERT_EQ(hashes.size(), 2u);
    EXPECT_EQ(hashes[1].key, "fields");
    EXPECT_EQ(hashes[1].length, stored[1].second.size());
    EXPECT_TRUE(
        CompareHashes(hashes, Split("{\"Tau\": 600, \"fields\": {\"Tem\": [[1515, 1514.5]]}, \"x\": 1}"))
            .empty());
    EXPECT_EQ(CompareHashes(hashes, Split("{\"Tau\": 600, \"fields\": {\"Tem\": [[1515, 1514.6]]}}")).size(),
              1u);
    EXPECT_EQ(Fnv1a64(""), 14695981039346656037ull);
    EXPECT_EQ(Fnv1a64("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_FALSE(ParseHashes("Tau 3\n", hashes, error));
    EXPECT_FALSE(ParseHashes("", hashes, error));
}
