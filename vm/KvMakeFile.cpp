// KvMakeFile: the binary image: a header of big-endian section offsets, three indexed tables
// of MessagePack records and the packed default-value map.
#include "vm/KvMakeFile.h"

#include <utility>

#include "utilo/CommonMethod.h"
#include "vm/VmMessages.h"
#include "vm/VmText.h"

namespace msg = kv::diag::vm;

// Image layout. Every multi-byte value is unsigned big-endian, written by GetBigDataBytes3.
// Section offsets count from the first byte after the 20-byte header.
//
//   offset        size  content
//   0             4     variable table offset (always 0)
//   4             4     task table offset              = V
//   8             4     parameter table offset         = V + T
//   12            4     default-value data offset      = V + T + P
//   16            4     extension data offset          = V + T + P + D
//   20            V     application variable table     (indexed)
//   20+V          T     task table                     (indexed)
//   20+V+T        P     parameter table                (indexed)
//   20+V+T+P      D     default-value data             (one MessagePack map)
//   20+V+T+P+D    0     extension data                 (empty)
//
// Indexed table of n records, offsets counted from the first record byte:
//
//   0             2     n
//   2             2n    start offset of each record
//   2+2n          2     end offset = total length of the records
//   4+2n          ...   the records back to back, in hash order
//
// n and every record offset are 16-bit fields: a table beyond them is refused, not wrapped.

namespace {

constexpr uint32_t kMaxTableField = 0xFFFF;

#ifdef _WIN32
const std::string& RecordKey(const CAppVmVariable& record) { return record.appKey; }
const std::string& RecordKey(const CAppVmTaskInfo& record) { return record.taskId; }
const std::string& RecordKey(const CAppVmParBin& record) { return record.key; }
#endif

}  // namespace

void KvMakeBinFile::CommonMethodDeleter::operator()(CommonMethod* method) const { delete method; }

KvMakeBinFile::KvMakeBinFile(IData* data, const KvVmData& vmData)
    : data_(data), vmData_(vmData), commonMethod_(newCommonMethod()) {}

KvMakeBinFile::~KvMakeBinFile() = default;

ILanguageDebug* KvMakeBinFile::Log() const {
    return data_ != nullptr ? data_->GetLanguageDebug() : nullptr;
}

bool KvMakeBinFile::MakeFile(std::vector<uint8_t>& out) {
    try {
        return BuildImage(out);
    } catch (const NotConvertibleText& text) {
        // Nothing was appended to out yet: the image is refused whole.
        kv::diag::Report(data_, msg::TextNotConvertible, kv::diag::NoLine(), text.Shown());
        return false;
    }
}

bool KvMakeBinFile::BuildImage(std::vector<uint8_t>& out) {
    if (!sorted_) {
        vmData_.Sort();
        sorted_ = true;
    }

    std::vector<uint8_t> header;
    AppendOffset(header, msg::VarTableOffsetName, 0);

    std::vector<uint8_t> varTable = MakeAppVarTable();
    std::vector<uint8_t> taskTable = MakeAppTaskTable();
    std::vector<uint8_t> parTable = MakeAppParTable();
    std::vector<uint8_t> defaultData = MakeDefaultData();
    std::vector<uint8_t> extension;
    // A refused table has already been reported; an image without it must not be stored.
    if (varTable.empty() || taskTable.empty() || parTable.empty()) return false;

    // Summed as 32-bit values, the width of the header fields.
    const auto v = static_cast<uint32_t>(varTable.size());
    const auto t = static_cast<uint32_t>(taskTable.size());
    const auto p = static_cast<uint32_t>(parTable.size());
    const auto d = static_cast<uint32_t>(defaultData.size());
    AppendOffset(header, msg::TaskTableOffsetName, v);
    AppendOffset(header, msg::ParTableOffsetName, v + t);
    AppendOffset(header, msg::DefaultDataOffsetName, v + t + p);
    AppendOffset(header, msg::ExtensionOffsetName, v + t + p + d);

    out.reserve(out.size() + header.size() + varTable.size() + taskTable.size() + parTable.size() +
                defaultData.size());
    AddRange(out, std::move(header));
    AddRange(out, std::move(varTable));
    AddRange(out, std::move(taskTable));
    AddRange(out, std::move(parTable));
    AddRange(out, std::move(defaultData));
    AddRange(out, std::move(extension));
    return true;
}

void KvMakeBinFile::AppendOffset(std::vector<uint8_t>& header, const Name& name, uint32_t offset) {
    std::vector<uint8_t> bytes = KvMethod::GetBigDataBytes3(offset, 32);
    header.insert(header.end(), bytes.begin(), bytes.end());
    ILanguageDebug* log = Log();
    if (log == nullptr) return;
    const std::string value = commonMethod_->Format("%d", static_cast<int32_t>(offset));
    log->PrintLine(method_.MakeAppDebugMessage(name.format, value, bytes), name.level);
}

std::vector<uint8_t> KvMakeBinFile::MakeAppVarTable() {
    return MakeIndexedTable(vmData_.appVariable.items, msg::VarRecordListing,
                            msg::VarTablePackFailed, msg::VarTableTooLarge);
}

std::vector<uint8_t> KvMakeBinFile::MakeAppTaskTable() {
    return MakeIndexedTable(vmData_.appTask.items, msg::TaskRecordListing, msg::TaskTablePackFailed,
                            msg::TaskTableTooLarge);
}

std::vector<uint8_t> KvMakeBinFile::MakeAppParTable() {
    return MakeIndexedTable(vmData_.appPar.items, msg::ParRecordListing, msg::ParTablePackFailed,
                            msg::ParTableTooLarge);
}

template <typename Record>
std::vector<uint8_t> KvMakeBinFile::MakeIndexedTable(const std::vector<Record>& records,
                                                     [[maybe_unused]] const RecordListing& listing,
                                                     const Failure& packFailed,
                                                     const Failure& tooLarge) {
    ILanguageDebug* log = Log();
    auto refuse = [&]() {
        kv::diag::Report(data_, tooLarge, kv::diag::NoLine());
        return std::vector<uint8_t>{};
    };
    if (records.size() > kMaxTableField) return refuse();

    std::vector<uint8_t> table =
        KvMethod::GetBigDataBytes3(static_cast<uint32_t>(records.size()), 16);
    table.reserve(4 + 2 * records.size());
    std::vector<uint8_t> recordArea;
    uint32_t offset = 0;
    for (const Record& record : records) {
#ifdef _WIN32
        const std::string& key = RecordKey(record);
        kv::diag::PrintLine(data_, listing, key,
                            std::to_string(KvMethod::hashCode(ImageText(key))));
#endif
        std::unique_ptr<PackedRecord> packed = record.MsgpackPack(log);
        if (packed == nullptr || packed->length == 0) {
            // The table ends after the offsets of the records packed so far.
            kv::diag::PrintLine(data_, packFailed);
            return table;
        }
        const auto length = static_cast<uint32_t>(packed->length);
        if (length > kMaxTableField - offset) return refuse();
        commonMethod_->AppendBytes(packed->data.data(), packed->data.size(), recordArea);
        AddRange(table, KvMethod::GetBigDataBytes3(offset, 16));
        offset += length;
    }
    AddRange(table, KvMethod::GetBigDataBytes3(offset, 16));
    AddRange(table, std::move(recordArea));
    return table;
}

std::vector<uint8_t> KvMakeBinFile::MakeDefaultData() {
    ILanguageDebug* log = Log();
    CAppVmDefaultData record;
    // Deliberate copy: the record owns its map, and the builder's data set stays as it was.
    record.defaultData = vmData_.defaultData;
    std::unique_ptr<PackedRecord> packed = record.MsgpackPack(log);
    std::vector<uint8_t> section;
    if (packed != nullptr && packed->length != 0) {
        commonMethod_->AppendBytes(packed->data.data(), packed->data.size(), section);
    } else {
        kv::diag::PrintLine(data_, msg::DefaultDataPackFailed);
    }
    return section;
}
