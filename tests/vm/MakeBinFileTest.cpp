// Tests of the binary image: header offsets, indexed tables, listing lines and 16-bit limits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestHost.h"
#include "vm/ByteAssert.h"
#include "vm/KvMakeFile.h"

using kv::host::LogCall;
using kv::test::Bytes;
using kv::test::Join;
using kv::test::SameBytes;
using kv::test::TestData;
using kv::test::TextWithNul;

namespace {

// (op, level or code, text) of every log call, for whole-sequence comparisons.
std::vector<std::string> Trace(const TestData& host) {
    std::vector<std::string> trace;
    for (const LogCall& call : host.log.Calls()) {
        const int number = kv::test::OpName(call) == "PrintLine" ? call.level : call.code;
        std::string where;
        if (kv::test::OpName(call) == "ReportErrorAt") {
            where = " " + std::to_string(call.line) + ":" + std::to_string(call.column) + " L" +
                    std::to_string(call.level);
        }
        trace.push_back(kv::test::OpName(call) + " " + std::to_string(number) + where + " " +
                        call.text);
    }
    return trace;
}

// The variable k1 (13-byte record), the task t1 (8-byte record) and the default a -> 1.
KvVmData SmallDataSet() {
    KvVmData data;
    CAppVmVariable v;
    v.appKey = "k1";
    v.dataType = 2;
    v.eventType = 0;
    v.belongTaskId.push_back("t1");
    data.appVariable.push_back(v);
    CAppVmTaskInfo task;
    task.taskId = "t1";
    task.stepCount = 3;
    task.timerId.push_back(1);
    task.timerId.push_back(2);
    data.appTask.push_back(task);
    data.defaultData["a"] = "1";
    return data;
}

const std::string kNoDefaults = "PrintLine 3 默认值数据表打包失败！";

}  // namespace

TEST(VmImage, EmptyDataSetGivesThreeEmptyTablesAndAnEmptyDefaultSection) {
    TestData host;
    KvMakeBinFile maker(&host, KvVmData());
    Bytes image;
    ASSERT_TRUE(maker.MakeFile(image));
    EXPECT_TRUE(SameBytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00,
                           0x08, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00,
                           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
                          image));
    const std::vector<std::string> expected = {
        "PrintLine 0 应用变量表偏移量 0，大端模式大端编码0x00 00 00 00",
        kNoDefaults,
        "PrintLine 0 任务信息偏移量 4，大端模式大端编码0x00 00 00 04",
        "PrintLine 0 参数数据偏移量 8，大端模式大端编码0x00 00 00 08",
        "PrintLine 0 参数默认值数据偏移量 12，大端模式大端编码0x00 00 00 0C",
        "PrintLine 0 扩展数据偏移量 12，大端模式大端编码0x00 00 00 0C",
    };
    EXPECT_EQ(Trace(host), expected);
}

TEST(VmImage, SmallDataSetGivesThe64ByteImage) {
    TestData host;
    KvMakeBinFile maker(&host, SmallDataSet());
    Bytes image;
    ASSERT_TRUE(maker.MakeFile(image));
    const Bytes expected = Join({
        {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x13, 0x00, 0x00, 0x00, 0x21,
         0x00, 0x00, 0x00, 0x25, 0x00, 0x00, 0x00, 0x2C},
        {0x00, 0x01, 0x00, 0x00, 0x00, 0x0D},
        {0xA3, 0x6B, 0x31, 0x00, 0x02, 0x00, 0xA1, 0x00, 0x91, 0xA3, 0x74, 0x31, 0x00},
        {0x00, 0x01, 0x00, 0x00, 0x00, 0x08},
        {0xA3, 0x74, 0x31, 0x00, 0x03, 0x92, 0x01, 0x02},
        {0x00, 0x00, 0x00, 0x00},
        {0x81, 0xA2, 0x61, 0x00, 0xA2, 0x31, 0x00},
    });
    EXPECT_EQ(image.size(), 64u);
    EXPECT_TRUE(SameBytes(expected, image));
    std::vector<std::string> lines = {
        "PrintLine 0 应用变量表偏移量 0，大端模式大端编码0x00 00 00 00",
        "PrintLine 0 任务信息偏移量 19，大端模式大端编码0x00 00 00 13",
        "PrintLine 0 参数数据偏移量 33，大端模式大端编码0x00 00 00 21",
        "PrintLine 0 参数默认值数据偏移量 37，大端模式大端编码0x00 00 00 25",
        "PrintLine 0 扩展数据偏移量 44，大端模式大端编码0x00 00 00 2C",
    };
#ifdef _WIN32
    // The Windows build also lists each record's key with its hash, while the tables are built:
    // "k1" is 'k' * 31 + '1' = 107 * 31 + 49 = 3366, "t1" is 116 * 31 + 49 = 3645.
    lines.insert(lines.begin() + 1, {"PrintLine 0 变量key: k1 3366", "PrintLine 0 任务id: t1 3645"});
#endif
    EXPECT_EQ(Trace(host), lines);
}

TEST(VmImage, RecordsFollowHashOrderAndTheCallersDataStaysUnsorted) {
    KvVmData data;
    CAppVmVariable a;
    a.appKey = "a";  // hash 97
    CAppVmVariable taskInfo;
    taskInfo.appKey = "taskInfo";  // hash -410467373
    data.appVariable.push_back(a);
    data.appVariable.push_back(taskInfo);

    TestData host;
    KvMakeBinFile maker(&host, data);
    Bytes image;
    ASSERT_TRUE(maker.MakeFile(image));
    const Bytes taskInfoRecord = Join({{0xA9}, TextWithNul("taskInfo"), {0x00, 0x00, 0xA1, 0x00, 0x90}});
    const Bytes aRecord = {0xA2, 0x61, 0x00, 0x00, 0x00, 0xA1, 0x00, 0x90};
    const Bytes varTable = Join({{0x00, 0x02, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x17}, taskInfoRecord, aRecord});
    ASSERT_GE(image.size(), 20 + varTable.size());
    EXPECT_TRUE(SameBytes(varTable, Bytes(image.begin() + 20, image.begin() + 20 + 31)));
    // Task table offset V = 8 + 15 + 8 = 31 = 0x1F.
    EXPECT_TRUE(SameBytes({0x00, 0x00, 0x00, 0x1F}, Bytes(image.begin() + 4, image.begin() + 8)));

    EXPECT_EQ(data.appVariable[0].appKey, "a");
    EXPECT_EQ(data.appVariable[1].appKey, "taskInfo");
}

TEST(VmImage, SecondMakeFileGivesTheSameImage) {
    TestData host;
    KvVmData data = SmallDataSet();
    CAppVmTaskInfo other;
    other.taskId = "taskInfo";
    other.stepCount = 1;
    data.appTask.push_back(other);
    KvMakeBinFile maker(&host, data);
    Bytes first;
    Bytes second;
    ASSERT_TRUE(maker.MakeFile(first));
    ASSERT_TRUE(maker.MakeFile(second));
    EXPECT_TRUE(SameBytes(first, second));
}

TEST(VmImageLimits, RecordBytesUpTo65535AreAccepted) {
    // Key of 65529 bytes: str16 header (3) + 65529 + NUL + 90 80 = 65535 bytes.
    KvVmData data;
    CAppVmParBin par;
    par.key = std::string(65529, 'p');
    data.appPar.push_back(par);
    TestData host;
    KvMakeBinFile maker(&host, data);
    Bytes image;
    ASSERT_TRUE(maker.MakeFile(image));
    ASSERT_EQ(image.size(), 20u + 4 + 4 + 6 + 65535);
    // Parameter table at 28: one record, offset 0, end offset 65535.
    EXPECT_TRUE(SameBytes({0x00, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0xDA, 0xFF, 0xFA},
                          Bytes(image.begin() + 28, image.begin() + 37)));
    // Default-value and extension offsets: 8 + 65541 = 65549 = 0x1000D.
    EXPECT_TRUE(SameBytes({0x00, 0x01, 0x00, 0x0D, 0x00, 0x01, 0x00, 0x0D},
                          Bytes(image.begin() + 12, image.begin() + 20)));
    EXPECT_TRUE(kv::test::Errors(host.log).empty());
}

#ifdef _WIN32
// Host texts are GBK here; one that is not cannot be given the image's UTF-8.
TEST(VmImageLimits, ATextThatIsNotGbkRefusesTheImageAndIsNamed) {
    KvVmData data;
    CAppVmVariable variable;
    variable.appKey = "k\xFF";
    data.appVariable.push_back(variable);
    TestData host;
    KvMakeBinFile maker(&host, data);
    Bytes image = {0xEE};
    EXPECT_FALSE(maker.MakeFile(image));
    EXPECT_TRUE(SameBytes({0xEE}, image));
    const auto errors = kv::test::Errors(host.log);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].code, 2002);
    EXPECT_EQ(errors[0].text, "文本<k\\xFF>不是GBK编码，无法转换为镜像的UTF-8编码！");
}
#endif

TEST(VmImageLimits, RecordBytesOver65535RefuseTheImage) {
    KvVmData data;
    CAppVmParBin par;
    par.key = std::string(65530, 'p');  // 65536 bytes of records
    data.appPar.push_back(par);
    TestData host;
    KvMakeBinFile maker(&host, data);
    Bytes image = {0xEE};
    EXPECT_FALSE(maker.MakeFile(image));
    EXPECT_TRUE(SameBytes({0xEE}, image));
    std::vector<std::string> expected = {
        "PrintLine 0 应用变量表偏移量 0，大端模式大端编码0x00 00 00 00",
        "ReportErrorAt 2002 -1:-1 L3 参数数据表超出容量：记录数或字节数超过65535！",
        kNoDefaults,
    };
#ifdef _WIN32
    // The record is listed before it is found too large: h = h * 31 + 'p' (112) over its 65530
    // bytes, modulo 2^32, read as signed.
    expected.insert(expected.begin() + 1, "PrintLine 0 参数key: " + par.key + " -1350904320");
#endif
    EXPECT_EQ(Trace(host), expected);
}

TEST(VmImageLimits, EndOffsetPast65535AcrossRecordsIsRefused) {
    // Two variables of 32770 bytes each: the second starts at 32770 but ends at 65540.
    KvVmData data;
    for (const char fill : {'a', 'b'}) {
        CAppVmVariable v;
        v.appKey = std::string(32761, fill);
        data.appVariable.push_back(v);
    }
    TestData host;
    KvMakeBinFile maker(&host, data);
    EXPECT_TRUE(maker.MakeAppVarTable().empty());
    const auto errors = kv::test::Errors(host.log);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].text, "应用变量表超出容量：记录数或字节数超过65535！");
}

TEST(VmImageLimits, MoreThan65535RecordsAreRefused) {
    KvVmData data;
    data.appTask.items.resize(65536);
    TestData host;
    KvMakeBinFile maker(&host, data);
    Bytes image;
    EXPECT_FALSE(maker.MakeFile(image));
    EXPECT_TRUE(image.empty());
    const auto errors = kv::test::Errors(host.log);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].code, 2002);
    EXPECT_EQ(errors[0].text, "任务信息表超出容量：记录数或字节数超过65535！");
}

TEST(VmImageLimits, ManySmallRecordsAreBoundByTheByteLimit) {
    // 65535 empty-key variables take 7 bytes each (A1 00 00 00 A1 00 90), so the table is
    // refused for its bytes, with one error.
    KvVmData data;
    data.appVariable.items.resize(65535);
    TestData host;
    KvMakeBinFile maker(&host, data);
    EXPECT_TRUE(maker.MakeAppVarTable().empty());
    ASSERT_EQ(kv::test::Errors(host.log).size(), 1u);

    // 9362 such records fit just below the byte limit (9362 * 7 = 65534 = 0xFFFE).
    KvVmData fits;
    fits.appVariable.items.resize(9362);
    KvMakeBinFile fitting(&host, fits);
    const Bytes table = fitting.MakeAppVarTable();
    ASSERT_EQ(table.size(), 4u + 2 * 9362 + 65534);
    EXPECT_TRUE(SameBytes({0x24, 0x92}, Bytes(table.begin(), table.begin() + 2)));
    // The last record starts at 9361 * 7 = 65527 = 0xFFF7; the end offset is 0xFFFE.
    EXPECT_TRUE(SameBytes({0xFF, 0xF7, 0xFF, 0xFE},
                          Bytes(table.begin() + 2 * 9362, table.begin() + 4 + 2 * 9362)));
}
