// End-to-end tests of `kvc inspect`: the views of good images and the refusal of bad ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>

#include "host/TestTempDir.h"
#include "kvc/KvcRun.h"

namespace {

using kv::test::KvcResult;
using kv::test::RunKvc;
using kv::test::TestTempDir;

// Bytes from hexadecimal pairs separated by spaces: "A3 6B 00".
std::string Hex(const std::string& pairs) {
    std::istringstream in(pairs);
    std::string bytes;
    for (std::string pair; in >> pair;) {
        bytes += static_cast<char>(std::stoi(pair, nullptr, 16));
    }
    return bytes;
}

std::string Big32(uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

// An image whose header offsets follow from the section lengths.
std::string Image(const std::string& variables, const std::string& tasks,
                  const std::string& parameters, const std::string& defaults,
                  const std::string& extension = "") {
    const auto v = static_cast<uint32_t>(variables.size());
    const auto t = static_cast<uint32_t>(tasks.size());
    const auto p = static_cast<uint32_t>(parameters.size());
    const auto d = static_cast<uint32_t>(defaults.size());
    return Big32(0) + Big32(v) + Big32(v + t) + Big32(v + t + p) + Big32(v + t + p + d) +
           variables + tasks + parameters + defaults + extension;
}

// The records the images are made of: variable k1 (13 bytes), task t1 (8), task t2 (7),
// parameter p1 (16), and the default data a -> 1 (7).
const std::string kVariableK1 = Hex("A3 6B 31 00 02 00 A1 00 91 A3 74 31 00");
const std::string kTaskT1 = Hex("A3 74 31 00 03 92 01 02");
const std::string kTaskT2 = Hex("A3 74 32 00 CC C8 90");
const std::string kParameterP1 = Hex("A3 70 31 00 91 A2 78 00 81 A2 6E 00 91 A2 76 00");
const std::string kDefaults = Hex("81 A2 61 00 A2 31 00");
const std::string kEmptyTable = Hex("00 00 00 00");

// A one-record variable table (19 bytes) and task table (14 bytes).
const std::string kOneVariable = Hex("00 01 00 00 00 0D") + kVariableK1;
const std::string kOneTask = Hex("00 01 00 00 00 08") + kTaskT1;

class KvcInspect : public ::testing::Test {
protected:
    KvcInspect() { std::filesystem::create_directories(dir.Path() / "w"); }

    KvcResult Run(const std::string& image, std::vector<std::string> options = {}) {
        dir.Write("w/img.bin", image);
        options.insert(options.begin(), {"inspect", "img.bin"});
        return RunKvc(dir.Path() / "w", options);
    }

    // Runs on a malformed image: exit 1, nothing on standard output, one message.
    std::string Malformed(const std::string& image) {
        const KvcResult run = Run(image);
        EXPECT_EQ(run.exitCode, 1) << run.out;
        EXPECT_EQ(run.out, "");
        const std::string lead = "kvc: error: img.bin: malformed image: ";
        EXPECT_EQ(run.err.rfind(lead, 0), 0u) << run.err;
        return run.err.rfind(lead, 0) == 0 ? run.err.substr(lead.size()) : run.err;
    }

    TestTempDir dir;
};

TEST_F(KvcInspect, ShowsHeaderTablesAndDefaultData) {
    const std::string image = Image(kOneVariable, kOneTask, kEmptyTable, kDefaults);
    ASSERT_EQ(image.size(), 64u);
    const KvcResult run = Run(image);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(
        run.out,
        "image: 64 bytes\n"
        "header offsets:\n"
        "  variables   0\n"
        "  tasks       19\n"
        "  parameters  33\n"
        "  defaults    37\n"
        "  extension   44\n"
        "variables: 1 record, record offsets [0], end offset 13\n"
        "  [0] appKey \"k1\", dataType 2, eventType 0, defaultValue \"\", belongTaskId [\"t1\"]\n"
        "tasks: 1 record, record offsets [0], end offset 8\n"
        "  [0] taskId \"t1\", stepCount 3, timerId [1, 2]\n"
        "parameters: 0 records, record offsets [], end offset 0\n"
        "default data: 7 bytes\n"
        "  \"a\": \"1\"\n"
        "extension data: 0 bytes\n");
}

TEST_F(KvcInspect, JsonGivesTheSameContentAsOneDocument) {
    const std::string tasks = Hex("00 02 00 00 00 08 00 0F") + kTaskT1 + kTaskT2;
    const std::string parameters = Hex("00 01 00 00 00 10") + kParameterP1;
    const KvcResult run = Run(Image(kOneVariable, tasks, parameters, kDefaults), {"--json"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "{\"size\":91,"
              "\"header\":{\"variables\":0,\"tasks\":19,\"parameters\":42,\"defaults\":64,"
              "\"extension\":71},"
              "\"variables\":{\"count\":1,\"recordOffsets\":[0],\"endOffset\":13,\"records\":["
              "{\"appKey\":\"k1\",\"dataType\":2,\"eventType\":0,\"defaultValue\":\"\","
              "\"belongTaskId\":[\"t1\"]}]},"
              "\"tasks\":{\"count\":2,\"recordOffsets\":[0,8],\"endOffset\":15,\"records\":["
              "{\"taskId\":\"t1\",\"stepCount\":3,\"timerId\":[1,2]},"
              "{\"taskId\":\"t2\",\"stepCount\":200,\"timerId\":[]}]},"
              "\"parameters\":{\"count\":1,\"recordOffsets\":[0],\"endOffset\":16,\"records\":["
              "{\"key\":\"p1\",\"attachKeys\":[\"x\"],\"attachData\":{\"n\":[\"v\"]}}]},"
              "\"defaultData\":{\"a\":\"1\"},"
              "\"extensionSize\":0}\n");
}

TEST_F(KvcInspect, AnEmptyDataSetAndExtensionBytesAreShownAsSuch) {
    // The empty data set: three empty tables, no default data (32 bytes).
    KvcResult run = Run(Image(kEmptyTable, kEmptyTable, kEmptyTable, ""), {"--json"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("\"header\":{\"variables\":0,\"tasks\":4,\"parameters\":8,"
                           "\"defaults\":12,\"extension\":12}"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\"defaultData\":null"), std::string::npos);

    run = Run(Image(kEmptyTable, kEmptyTable, kEmptyTable, Hex("80"), Hex("01 02")));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("default data: 1 byte\nextension data: 2 bytes\n"), std::string::npos)
        << run.out;
}

TEST_F(KvcInspect, StringsAreEscapedForDisplay) {
    const std::string variable = Hex("A4 0A 22 1B 00 00 00 A1 00 90");  // key "\n\"\x1b"
    const KvcResult run =
        Run(Image(Hex("00 01 00 00 00 0A") + variable, kEmptyTable, kEmptyTable, ""));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("[0] appKey \"\\n\\\"\\u001B\", dataType 0"), std::string::npos)
        << run.out;
}

TEST_F(KvcInspect, TruncationAtEveryLengthIsReportedNotCrashed) {
    const std::string image = Image(kOneVariable, kOneTask, kEmptyTable, kDefaults);
    for (size_t length = 0; length < image.size(); ++length) {
        const std::string what = Malformed(image.substr(0, length));
        const std::string expected = length < 20 ? "the 20-byte header is cut short\n"
                                                 : "the sections end beyond the end of the image\n";
        EXPECT_EQ(what, expected) << "length " << length;
    }
}

TEST_F(KvcInspect, RecordsCutAtEveryLengthBehindAConsistentHeaderAreReported) {
    for (size_t length = 0; length < kVariableK1.size(); ++length) {
        const std::string table = Hex("00 01 00 00") + Hex("00") + static_cast<char>(length) +
                                  kVariableK1.substr(0, length);
        const std::string what = Malformed(Image(table, kEmptyTable, kEmptyTable, ""));
        EXPECT_EQ(what, length == 0
                            ? "variable table: record 0: the record offsets are not increasing\n"
                            : "variable table: record 0: a value is cut short\n")
            << "length " << length;
    }
}

TEST_F(KvcInspect, EachKindOfMalformedImageIsNamed) {
    struct Case {
        std::string image;
        std::string what;
    };
    std::string notFirstZero = Image(kEmptyTable, kEmptyTable, kEmptyTable, "");
    notFirstZero[3] = 1;
    std::string outOfOrder = Image(kOneVariable, kOneTask, kEmptyTable, kDefaults);
    outOfOrder[11] = 10;  // parameters at 10, before the tasks at 19
    const Case cases[] = {
        {notFirstZero, "the variable table offset is not 0\n"},
        {outOfOrder, "the section offsets are out of order\n"},
        {Image(Hex("00"), kEmptyTable, kEmptyTable, ""),
         "variable table: the record count is cut short\n"},
        {Image(Hex("00 05 00"), kEmptyTable, kEmptyTable, ""),
         "variable table: the record offset table is cut short\n"},
        {Image(Hex("00 01 00 00 00 0C") + kVariableK1, kEmptyTable, kEmptyTable, ""),
         "variable table: the end offset does not match the table's length\n"},
        {Image(kEmptyTable, Hex("00 01 00 01 00 08") + kTaskT1, kEmptyTable, ""),
         "task table: the first record offset is not 0\n"},
        {Image(kEmptyTable, Hex("00 02 00 00 00 00 00 08") + kTaskT1, kEmptyTable, ""),
         "task table: record 0: the record offsets are not increasing\n"},
        {Image(kEmptyTable, Hex("00 01 00 00 00 08 A3 74 31 00 A2 33 00 90"), kEmptyTable, ""),
         "task table: record 0: expected a 32-bit integer\n"},
        {Image(kEmptyTable, Hex("00 01 00 00 00 0A A3 74 31 00 CE 80 00 00 00 90"), kEmptyTable,
               ""),
         "task table: record 0: expected a 32-bit integer\n"},
        {Image(kEmptyTable, Hex("00 01 00 00 00 09") + kTaskT1 + Hex("00"), kEmptyTable, ""),
         "task table: record 0: bytes are left over after the last value\n"},
        {Image(kEmptyTable, Hex("00 01 00 00 00 07 A3 74 31 00 03 01 02"), kEmptyTable, ""),
         "task table: record 0: expected an array\n"},
        {Image(Hex("00 01 00 00 00 0C A2 6B 31 02 00 A1 00 91 A3 74 31 00"), kEmptyTable,
               kEmptyTable, ""),
         "variable table: record 0: a string lacks its terminating NUL byte\n"},
        // An array that claims four billion entries must not be believed.
        {Image(Hex("00 01 00 00 00 0D A3 6B 31 00 02 00 A1 00 DD FF FF FF FF"), kEmptyTable,
               kEmptyTable, ""),
         "variable table: record 0: a value is cut short\n"},
        {Image(kEmptyTable, kEmptyTable, Hex("00 01 00 00 00 07 A3 70 31 00 90 A1 00"), ""),
         "parameter table: record 0: expected a map\n"},
        {Image(kEmptyTable, kEmptyTable, kEmptyTable, Hex("A2 61 00")),
         "default data: expected a map\n"},
        {Image(kEmptyTable, kEmptyTable, kEmptyTable, kDefaults + Hex("C0")),
         "default data: bytes are left over after the last value\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(Malformed(c.image), c.what);

    // A byte MessagePack never uses: the decoder's own words follow the fixed part.
    const std::string what =
        Malformed(Image(kEmptyTable, Hex("00 01 00 00 00 01 C1"), kEmptyTable, ""));
    EXPECT_EQ(what.rfind("task table: record 0: the bytes are not MessagePack: ", 0), 0u) << what;
}

TEST_F(KvcInspect, AMissingImageCannotBeInspected) {
    const KvcResult run = RunKvc(dir.Path() / "w", {"inspect", "none.bin"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "kvc: error: none.bin: does not exist\n");
}

}  // namespace
