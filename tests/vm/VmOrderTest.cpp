// Tests of the VM table order (signed key hash, ties by bytes) and the step-id order.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vm/KvAppVmData.h"

namespace {

// Hashes worked out by hand: "taskInfo" -410467373, "" 0, "a" 97, "Aa" and "BB" both
// 65*31+97 = 66*31+66 = 2112, "abcdefgh" 1259673732.
const std::vector<std::string> kShuffledKeys = {"abcdefgh", "BB", "a", "taskInfo", "", "Aa"};
const std::vector<std::string> kHashOrder = {"taskInfo", "", "a", "Aa", "BB", "abcdefgh"};

CAppVmVariable Variable(const std::string& key) {
    CAppVmVariable v;
    v.appKey = key;
    return v;
}
CAppVmTaskInfo Task(const std::string& id) {
    CAppVmTaskInfo t;
    t.taskId = id;
    return t;
}
CAppVmParBin Par(const std::string& key) {
    CAppVmParBin p;
    p.key = key;
    return p;
}
CStepInfo Step(const std::string& id) {
    CStepInfo s;
    s.id = id;
    return s;
}

KvVmData ShuffledData() {
    KvVmData data;
    for (const std::string& key : kShuffledKeys) {
        data.appVariable.push_back(Variable(key));
        data.appTask.push_back(Task(key));
        data.appPar.push_back(Par(key));
    }
    return data;
}

}  // namespace

TEST(VmTableOrder, OperatorsCompareSignedHashThenBytes) {
    // Negative hashes come first: an unsigned comparison would put "taskInfo" last.
    EXPECT_TRUE(Variable("taskInfo") < Variable(""));
    EXPECT_TRUE(Variable("") < Variable("a"));
    EXPECT_TRUE(Task("a") < Task("abcdefgh"));
    EXPECT_FALSE(Task("abcdefgh") < Task("taskInfo"));
    // A collision is settled by the bytes, one way only.
    EXPECT_TRUE(Par("Aa") < Par("BB"));
    EXPECT_FALSE(Par("BB") < Par("Aa"));
    EXPECT_FALSE(Par("BB") < Par("BB"));
}

TEST(VmTableOrder, SortPutsEveryTableInHashOrderWhateverTheInput) {
    KvVmData data = ShuffledData();
    data.Sort();
    std::vector<std::string> variables, tasks, pars;
    for (const auto& v : data.appVariable) variables.push_back(v.appKey);
    for (const auto& t : data.appTask) tasks.push_back(t.taskId);
    for (const auto& p : data.appPar) pars.push_back(p.key);
    EXPECT_EQ(variables, kHashOrder);
    EXPECT_EQ(tasks, kHashOrder);
    EXPECT_EQ(pars, kHashOrder);

    // The same order as sorting with the records' own operator<.
    std::vector<CAppVmVariable> byOperator = ShuffledData().appVariable.items;
    std::sort(byOperator.begin(), byOperator.end());
    for (size_t i = 0; i < byOperator.size(); ++i) {
        EXPECT_EQ(byOperator[i].appKey, kHashOrder[i]);
    }
}

TEST(VmTableOrder, SortMovesWholeRecordsAndKeepsEqualKeysInInputOrder) {
    KvVmData data;
    CAppVmVariable first = Variable("BB");
    first.dataType = 1;
    first.belongTaskId.push_back("t1");
    CAppVmVariable second = Variable("BB");
    second.dataType = 2;
    data.appVariable.push_back(first);
    data.appVariable.push_back(Variable("Aa"));
    data.appVariable.push_back(second);
    data.defaultData["z"] = "1";
    data.defaultData["a"] = "2";
    data.expandContent.push_back(3);
    data.expandContent.push_back(1);
    data.Sort();

    ASSERT_EQ(data.appVariable.size(), 3u);
    EXPECT_EQ(data.appVariable[0].appKey, "Aa");
    EXPECT_EQ(data.appVariable[1].dataType, 1);
    EXPECT_EQ(data.appVariable[1].belongTaskId.items, std::vector<std::string>{"t1"});
    EXPECT_EQ(data.appVariable[2].dataType, 2);
    EXPECT_EQ(data.expandContent.items, (std::vector<int>{3, 1}));
    EXPECT_EQ(data.defaultData.begin()->first, "a");
}

TEST(VmStepOrder, NumericIdsCompareByValueAsStoiReadsThem) {
    EXPECT_TRUE(Step("9") < Step("10"));
    EXPECT_FALSE(Step("10") < Step("9"));
    EXPECT_TRUE(Step("-1") < Step("0"));
    // Leading blanks and a sign are read, trailing text ignored.
    EXPECT_TRUE(Step(" \t7") < Step("+8"));
    EXPECT_TRUE(Step("12abc") < Step("13"));
    EXPECT_FALSE(Step("12abc") < Step("12"));
    EXPECT_FALSE(Step("12") < Step("12abc"));
    EXPECT_TRUE(Step("-2147483648") < Step("2147483647"));
}

TEST(VmStepOrder, IdsWithoutA32BitNumberSortLastByBytesAndNeverThrow) {
    std::vector<CStepInfo> steps;
    for (const char* id : {"abc", "10", "2147483648", "", "9", "-", "-2147483649", " 3x", "+"}) {
        steps.push_back(Step(id));
    }
    ASSERT_NO_THROW(std::sort(steps.begin(), steps.end()));
    std::vector<std::string> ids;
    for (const CStepInfo& s : steps) ids.push_back(s.id);
    const std::vector<std::string> expected = {" 3x", "9", "10", "", "+", "-", "-2147483649",
                                               "2147483648", "abc"};
    EXPECT_EQ(ids, expected);

    // Strict weak ordering over every pair: irreflexive, asymmetric, with transitive
    // incomparability (" 3x" and "3" are equivalent).
    steps.push_back(Step("3"));
    for (const CStepInfo& a : steps) {
        EXPECT_FALSE(a < a) << a.id;
        for (const CStepInfo& b : steps) {
            EXPECT_FALSE(a < b && b < a) << a.id << " / " << b.id;
            for (const CStepInfo& c : steps) {
                if (a < b && b < c) {
                    EXPECT_TRUE(a < c) << a.id << " < " << b.id << " < " << c.id;
                }
            }
        }
    }
    EXPECT_FALSE(Step(" 3x") < Step("3"));
    EXPECT_FALSE(Step("3") < Step(" 3x"));
}
