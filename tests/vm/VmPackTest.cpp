// Tests of the MessagePack encodings of the VM records, byte for byte.
#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "vm/ByteAssert.h"
#include "vm/KvAppVmData.h"

using kv::test::Bytes;
using kv::test::Join;
using kv::test::SameBytes;
using kv::test::TextWithNul;

namespace {

// The encoding, checked for ownership consistency; empty when packing failed.
template <typename Record>
Bytes Pack(const Record& record) {
    std::unique_ptr<PackedRecord> packed = record.MsgpackPack(nullptr);
    if (packed == nullptr) return {};
    EXPECT_EQ(static_cast<size_t>(packed->length), packed->data.size());
    return packed->data;
}

Bytes PackStepCount(int32_t stepCount) {
    CAppVmTaskInfo task;
    task.taskId = "t";
    task.stepCount = stepCount;
    return Pack(task);
}

}  // namespace

TEST(VmPack, VariablePutsEventTypeBeforeDefaultValue) {
    CAppVmVariable v;
    v.appKey = "k1";
    v.dataType = 2;
    v.eventType = 0;
    v.belongTaskId.push_back("t1");
    EXPECT_TRUE(SameBytes({0xA3, 0x6B, 0x31, 0x00, 0x02, 0x00, 0xA1, 0x00, 0x91, 0xA3, 0x74, 0x31,
                           0x00},
                          Pack(v)));
    v.eventType = 5;
    v.defaultValue = "d";
    EXPECT_TRUE(SameBytes({0xA3, 0x6B, 0x31, 0x00, 0x02, 0x05, 0xA2, 0x64, 0x00, 0x91, 0xA3, 0x74,
                           0x31, 0x00},
                          Pack(v)));
}

TEST(VmPack, TaskCarriesIdStepCountAndTimersOnly) {
    CAppVmTaskInfo task;
    task.taskId = "t1";
    task.stepCount = 3;
    task.timerId.push_back(1);
    task.timerId.push_back(2);
    task.varList.push_back("ignored");
    CStepInfo step;
    step.id = "1";
    task.step.push_back(step);
    EXPECT_TRUE(SameBytes({0xA3, 0x74, 0x31, 0x00, 0x03, 0x92, 0x01, 0x02}, Pack(task)));
}

TEST(VmPack, IntegersTakeTheShortestForm) {
    const Bytes prefix = {0xA2, 0x74, 0x00};
    const Bytes noTimers = {0x90};
    const struct {
        int32_t value;
        Bytes bytes;
    } cases[] = {
        {0, {0x00}},
        {127, {0x7F}},
        {128, {0xCC, 0x80}},
        {200, {0xCC, 0xC8}},
        {255, {0xCC, 0xFF}},
        {256, {0xCD, 0x01, 0x00}},
        {65535, {0xCD, 0xFF, 0xFF}},
        {65536, {0xCE, 0x00, 0x01, 0x00, 0x00}},
        {INT_MAX, {0xCE, 0x7F, 0xFF, 0xFF, 0xFF}},
        {-1, {0xFF}},
        {-32, {0xE0}},
        {-33, {0xD0, 0xDF}},
        {-128, {0xD0, 0x80}},
        {-129, {0xD1, 0xFF, 0x7F}},
        {-32768, {0xD1, 0x80, 0x00}},
        {-32769, {0xD2, 0xFF, 0xFF, 0x7F, 0xFF}},
        {INT_MIN, {0xD2, 0x80, 0x00, 0x00, 0x00}},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(SameBytes(Join({prefix, c.bytes, noTimers}), PackStepCount(c.value)))
            << "stepCount " << c.value;
    }
}

TEST(VmPack, StringsCarryTheirNulAndPickTheHeaderByLengthWithNul) {
    CAppVmParBin par;
    const Bytes tail = {0x90, 0x80};
    // 30 bytes + NUL = 31: the longest fixstr.
    par.key = std::string(30, 'k');
    EXPECT_TRUE(SameBytes(Join({{0xBF}, TextWithNul(par.key), tail}), Pack(par)));
    // 31 bytes + NUL = 32: str8.
    par.key = std::string(31, 'k');
    EXPECT_TRUE(SameBytes(Join({{0xD9, 0x20}, TextWithNul(par.key), tail}), Pack(par)));
    par.key = std::string(40, 'k');
    EXPECT_TRUE(SameBytes(Join({{0xD9, 0x29}, TextWithNul(par.key), tail}), Pack(par)));
    // 255 + NUL = 256: str16.
    par.key = std::string(255, 'k');
    EXPECT_TRUE(SameBytes(Join({{0xDA, 0x01, 0x00}, TextWithNul(par.key), tail}), Pack(par)));
    // 65535 + NUL = 65536: str32.
    par.key = std::string(65535, 'k');
    EXPECT_TRUE(
        SameBytes(Join({{0xDB, 0x00, 0x01, 0x00, 0x00}, TextWithNul(par.key), tail}), Pack(par)));
    par.key = "";
    EXPECT_TRUE(SameBytes({0xA1, 0x00, 0x90, 0x80}, Pack(par)));
}

TEST(VmPack, ParameterAttachDataInAscendingKeyOrder) {
    CAppVmParBin par;
    par.key = "p";
    par.attachKeys.push_back("x");
    par.attachData["b"].push_back("1");
    par.attachData["a"];
    EXPECT_TRUE(SameBytes({0xA2, 0x70, 0x00, 0x91, 0xA2, 0x78, 0x00, 0x82, 0xA2, 0x61, 0x00, 0x90,
                           0xA2, 0x62, 0x00, 0x91, 0xA2, 0x31, 0x00},
                          Pack(par)));
}

TEST(VmPack, DefaultDataIsOneMapAndAnEmptyTablePacksToNothing) {
    CAppVmDefaultData defaults;
    defaults.defaultData["a"] = "1";
    EXPECT_TRUE(SameBytes({0x81, 0xA2, 0x61, 0x00, 0xA2, 0x31, 0x00}, Pack(defaults)));

    const std::unique_ptr<PackedRecord> empty = CAppVmDefaultData().MsgpackPack(nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->length, 0);
}

TEST(VmPack, StringHeavyRecordsStayWithinTheirBound) {
    CAppVmVariable v;
    v.appKey = std::string(300, 'v');
    for (int i = 0; i < 20; ++i) v.belongTaskId.push_back(std::string(static_cast<size_t>(i), 't'));
    EXPECT_LE(Pack(v).size(), v.GetMsgpackBufferMaxSize());

    CAppVmParBin par;
    par.key = std::string(70000, 'p');
    par.attachData["n"].push_back(std::string(31, 'x'));
    EXPECT_LE(Pack(par).size(), par.GetMsgpackBufferMaxSize());
}

TEST(VmPack, RecordLongerThanItsBoundIsStillPackedWhole) {
    // The task bound allows 4 bytes per timer, but INT_MIN takes 5 and 20 timers need an
    // array16 header: the encoding outgrows the bound and must not be cut short.
    CAppVmTaskInfo task;
    task.stepCount = INT_MIN;
    Bytes expected = {0xA1, 0x00, 0xD2, 0x80, 0x00, 0x00, 0x00, 0xDC, 0x00, 0x14};
    for (int i = 0; i < 20; ++i) {
        task.timerId.push_back(INT_MIN);
        expected.insert(expected.end(), {0xD2, 0x80, 0x00, 0x00, 0x00});
    }
    EXPECT_TRUE(SameBytes(expected, Pack(task)));
}
