// JsonRecordFuzzer: one JSON text of any bytes into every container the data layer parses.
// Parsing must never crash, a refused text must change nothing, numbers must not turn
// infinite, the checks must cope with whatever was read, and every container the library
// writes back must write JSON that reads back to the same JSON. The VM data set also goes
// through MessagePack and the image builder, whose output must read back as well formed.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "RapidJsonHelper/JsonArray.h"
#include "RapidJsonHelper/JsonMap.h"
#include "data/KvAppRecords.h"
#include "data/KvData.h"
#include "fuzz/FuzzCheck.h"
#include "host/HostText.h"
#include "host/ImageReader.h"
#include "support/TestHost.h"
#include "vm/KvAppVmData.h"
#include "vm/KvMakeFile.h"
#include "vm/VmText.h"

namespace {

using Brisk::RapidJsonHelper::JsonArray;
using Brisk::RapidJsonHelper::JsonBase;
using Brisk::RapidJsonHelper::JsonMap;
using kv::fuzz::Printable;

// Containers that write JSON: writing, reading back and writing again reaches a fixed point
// after one pass (the first pass may only drop what cannot be written, such as bytes after a
// NUL), and the first written text is JSON at all.
template <typename T>
void CheckWrittenForm(const std::string& text, bool descending = false) {
    T first;
    if (!JsonBase::FromJson(&first, text)) {
        KV_FUZZ_CHECK(first.ToJson() == T{}.ToJson(), "a refused text changed the target");
        return;
    }
    auto write = [descending](T& value) {
        if constexpr (requires { value.writeKeysDescending; }) value.writeKeysDescending = descending;
        return value.ToJson();
    };
    const std::string written = write(first);
    T second;
    KV_FUZZ_CHECK(JsonBase::FromJson(&second, written), "written text is no JSON: " + Printable(written));
    const std::string rewritten = write(second);
    T third;
    KV_FUZZ_CHECK(JsonBase::FromJson(&third, rewritten), Printable(rewritten));
    KV_FUZZ_CHECK(write(third) == rewritten, "not stable: " + Printable(rewritten));
}

// Containers that are only read: a refused text must leave them empty.
template <typename T>
T ReadOnly(const std::string& text) {
    T target;
    if (!JsonBase::FromJson(&target, text)) KV_FUZZ_CHECK(target.empty(), "");
    return target;
}

bool FloatGivenOrUnset(float value) { return std::isfinite(value); }

// Read records the packed bytes must hold exactly one of, as the image reader reads them.
template <typename ReadRecord>
void CheckPacked(const std::unique_ptr<PackedRecord>& packed, uint32_t bound, ReadRecord read) {
    KV_FUZZ_CHECK(packed != nullptr, "a small record failed to pack");
    KV_FUZZ_CHECK(packed->length == static_cast<int32_t>(packed->data.size()), "");
    // The bound sizes the buffer, so it may never be below the encoding.
    KV_FUZZ_CHECK(packed->data.size() <= bound,
                  std::to_string(packed->data.size()) + " bytes over a bound of " + std::to_string(bound));
    const std::string_view bytes(reinterpret_cast<const char*>(packed->data.data()),
                                 packed->data.size());
    const std::optional<std::string> fault = read(bytes);
    KV_FUZZ_CHECK(!fault, fault.value_or(""));
}

template <typename Record>
std::optional<std::string> ReadRecord(std::string_view bytes) {
    Record record;
    return kv::host::DecodeRecordBytes(bytes, record);
}

std::optional<std::string> ReadDefaultData(std::string_view bytes) {
    kv::host::DecodedImage image;
    return kv::host::DecodeDefaultDataBytes(bytes, image);
}

void CheckVmData(const std::string& text) {
    CheckWrittenForm<KvVmData>(text);
    KvVmData vmData;
    if (!JsonBase::FromJson(&vmData, text)) return;

    for (const CAppVmVariable& record : vmData.appVariable) {
        CheckPacked(record.MsgpackPack(nullptr), record.GetMsgpackBufferMaxSize(),
                    ReadRecord<kv::host::VariableRecord>);
    }
    for (const CAppVmTaskInfo& record : vmData.appTask) {
        CheckPacked(record.MsgpackPack(nullptr), record.GetMsgpackBufferMaxSize(),
                    ReadRecord<kv::host::TaskRecord>);
    }
    for (const CAppVmParBin& record : vmData.appPar) {
        CheckPacked(record.MsgpackPack(nullptr), record.GetMsgpackBufferMaxSize(),
                    ReadRecord<kv::host::ParameterRecord>);
    }
    CAppVmDefaultData defaults;
    defaults.defaultData = vmData.defaultData;
    if (!defaults.defaultData.empty()) {
        CheckPacked(defaults.MsgpackPack(nullptr), defaults.GetMsgpackBufferMaxSize(),
                    ReadDefaultData);
    }

    kv::test::TestData host;
    std::vector<uint8_t> image{0xAB};
    KvMakeBinFile builder(&host, vmData);
    if (builder.MakeFile(image)) {
        KV_FUZZ_CHECK(image.size() > 1 && image[0] == 0xAB, "the image replaced what out held");
        image.erase(image.begin());
        const auto decoded =
            kv::host::DecodeImage(std::string(image.begin(), image.end()), "image");
        KV_FUZZ_CHECK(decoded.Ok(), decoded.Ok() ? "" : decoded.Error().Describe());
    } else {
        KV_FUZZ_CHECK(image.size() == 1, "a refused image changed out");
        KV_FUZZ_CHECK(!kv::test::Errors(host.log).empty(), "an image was refused without an error");
    }
}

// The read-only tables as the loader reads them, each followed by its check.
void CheckInputTables(const std::string& text) {
    kv::test::TestData host;

    auto descriptors = ReadOnly<JsonMap<CFunctionParasValueDes>>(text);
    KvData::CheckFunparDesc(&host, descriptors.entries);
    ReadOnly<JsonMap<CVarValueDes>>(text);
    ReadOnly<JsonMap<CAppVmObject>>(text);

    auto materials = ReadOnly<JsonArray<CMaterial>>(text);
    KvData::CheckMaterialData(&host, materials.items);
    ReadOnly<JsonArray<CResource>>(text);
    ReadOnly<JsonArray<CBsType>>(text);

    for (const COral& oral : ReadOnly<JsonArray<COral>>(text)) {
        KV_FUZZ_CHECK(FloatGivenOrUnset(oral.value), "");
    }
    auto units = ReadOnly<JsonArray<CUnit>>(text);
    for (const CUnit& unit : units) {
        KV_FUZZ_CHECK(FloatGivenOrUnset(unit.ratio) && FloatGivenOrUnset(unit.offset),
                      "an out-of-range number became infinite");
    }
    KvData::CheckUnitData(&host, units.items);

    for (const CLogicInfo& entry : ReadOnly<JsonArray<CLogicInfo>>(text)) entry.CheckData(&host);

    JsonMap<CAppVmTaskInfo> tasks;
    if (JsonBase::FromJson(&tasks, text)) KvData::CheckTaskInfo(&host, tasks.entries);

    // Every check that failed said why.
    for (const kv::host::LogCall& call : kv::test::Errors(host.log)) {
        KV_FUZZ_CHECK(!call.text.empty(), "an error without text");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The library reads host texts: in the Windows build the input's strings are converted to
    // GBK as a bundle's are, and an input that cannot be is no host's row.
    kv::gbk::Converted host =
        kv::host::JsonToHostText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!host.Ok()) return 0;
    const std::string text = std::move(host.text);

    CheckInputTables(text);

    CheckWrittenForm<JsonMap<std::string>>(text);
    CheckWrittenForm<JsonMap<JsonArray<std::string>>>(text);
    CheckWrittenForm<JsonMap<CAppVmPar>>(text, true);
    CheckWrittenForm<JsonMap<CAppVmPar>>(text, false);
    CheckWrittenForm<JsonMap<CAppVmTaskInfo>>(text, true);
    CheckWrittenForm<JsonArray<CAppVmVariable>>(text);
    CheckWrittenForm<JsonArray<CCompilerConfig>>(text);
    CheckWrittenForm<JsonArray<std::string>>(text);
    CheckWrittenForm<JsonArray<int>>(text);
    CheckWrittenForm<CAppVmDefaultData>(text);
#ifdef _WIN32
    try {
        CheckVmData(text);
    } catch (const NotConvertibleText&) {
        // A \u escape can still name bytes that are no GBK: refused, as MakeFile refuses them.
    }
#else
    CheckVmData(text);
#endif
    return 0;
}
