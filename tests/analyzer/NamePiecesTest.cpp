// The last piece of a separated name, read in place, against the pieces Split builds.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "analyzer/NamePieces.h"
#include "utilo/CommonMethod.h"

namespace {

struct Case {
    std::string text;
    std::string separator;
    std::string last;
};

TEST(LastPiece, IsTheLastPieceSplitGivesOnItsEdgeCases) {
    const std::vector<Case> cases = {
        {"wok.sensor.temp", ".", "temp"},
        {"temp", ".", "temp"},
        {"", ".", ""},
        {"wok.", ".", ""},
        {".temp", ".", "temp"},
        {"a..b", ".", "b"},
        {"锅.温度", ".", "温度"},
        {"\xff.\xfe\x80", ".", "\xfe\x80"},
        // No separator splits nothing.
        {"a.b", "", "a.b"},
        // Separators are found left to right, each search starting past the last hit.
        {"aaa", "aa", "a"},
        {"x::y::", "::", ""},
    };
    std::unique_ptr<CommonMethod> common(newCommonMethod());
    for (const Case& c : cases) {
        EXPECT_EQ(kv::name::LastPiece(c.text, c.separator), c.last) << c.text;
        EXPECT_EQ(common->Split(c.text, c.separator, -1).back(), c.last) << c.text;
    }
}

}  // namespace
