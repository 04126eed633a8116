// KvAppVmPack: MessagePack encodings of the VM table records and the default-value table.
#include <algorithm>
#include <limits>

#include <msgpack.hpp>

#include "utilo/CommonMethod.h"
#include "vm/KvAppVmData.h"
#include "vm/VmText.h"

namespace {

// The packer's output stream: appends to a byte vector reserved to the record's bound, so a
// record is written once and can never be cut short.
class ByteSink {
public:
    explicit ByteSink(std::vector<uint8_t>& out) : out_(out) {}
    void write(const char* data, size_t length) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(data);
        out_.insert(out_.end(), bytes, bytes + length);
    }

private:
    std::vector<uint8_t>& out_;
};

// Packs values the way the VM reads them: strings with their NUL byte, integers in the
// shortest form. Values whose length does not fit a 32-bit MessagePack header mark the
// record as failed instead of writing a wrong header.
class RecordEncoder {
public:
    explicit RecordEncoder(uint32_t bound) : sink_(bytes_), packer_(sink_) { bytes_.reserve(bound); }

    void Text(const std::string& value) {
        const std::string& text = ImageText(value);
        if (!FitsHeader(text.size() + 1)) return;
        const auto length = static_cast<uint32_t>(text.size() + 1);
        packer_.pack_str(length);
        // std::string keeps a NUL after its last byte, so data() covers length bytes.
        packer_.pack_str_body(text.c_str(), length);
    }
    void Integer(int32_t value) { packer_.pack_int64(value); }
    void Array(size_t count) {
        if (FitsHeader(count)) packer_.pack_array(static_cast<uint32_t>(count));
    }
    void Map(size_t count) {
        if (FitsHeader(count)) packer_.pack_map(static_cast<uint32_t>(count));
    }

    // The record, or null when a value did not fit or the whole exceeds a signed 32-bit length.
    std::unique_ptr<PackedRecord> Finish() {
        if (failed_ || bytes_.size() > static_cast<size_t>(INT32_MAX)) return nullptr;
        auto record = std::make_unique<PackedRecord>();
        record->length = static_cast<int32_t>(bytes_.size());
        record->data = std::move(bytes_);
        return record;
    }

private:
    bool FitsHeader(size_t count) {
        if (count > std::numeric_limits<uint32_t>::max()) failed_ = true;
        return !failed_;
    }

    std::vector<uint8_t> bytes_;
    ByteSink sink_;
    msgpack::packer<ByteSink> packer_;
    bool failed_ = false;
};

// Sums size figures in 64 bits and saturates, so an enormous record cannot wrap its bound.
class BoundSum {
public:
    BoundSum() : method_(newCommonMethod()) {}
    ~BoundSum() { delete method_; }
    BoundSum(const BoundSum&) = delete;
    BoundSum& operator=(const BoundSum&) = delete;

    BoundSum& Text(const std::string& value, uint64_t extra = 0) {
        const int size = method_->GetStringSize(ImageText(value));
        return Add(static_cast<uint64_t>(std::max(size, 0)) + extra);
    }
    BoundSum& Add(uint64_t amount) {
        total_ += amount;
        return *this;
    }
    uint32_t Value() const {
        return static_cast<uint32_t>(std::min<uint64_t>(total_, std::numeric_limits<uint32_t>::max()));
    }

private:
    CommonMethod* method_;
    uint64_t total_ = 0;
};

}  // namespace

uint32_t CAppVmVariable::GetMsgpackBufferMaxSize() const {
    BoundSum bound;
    bound.Text(appKey).Text(defaultValue).Add(10);
    for (const std::string& task : belongTaskId) bound.Text(task, 1);
    return bound.Value();
}

std::unique_ptr<PackedRecord> CAppVmVariable::MsgpackPack(ILanguageDebug* /*debug*/) const {
    RecordEncoder encoder(GetMsgpackBufferMaxSize());
    // eventType precedes defaultValue here, unlike the JSON order: the VM reads it so.
    encoder.Text(appKey);
    encoder.Integer(dataType);
    encoder.Integer(eventType);
    encoder.Text(defaultValue);
    encoder.Array(belongTaskId.size());
    for (const std::string& task : belongTaskId) encoder.Text(task);
    return encoder.Finish();
}

uint32_t CAppVmTaskInfo::GetMsgpackBufferMaxSize() const {
    BoundSum bound;
    bound.Text(taskId).Add(5).Add(4 * uint64_t{timerId.size()});
    return bound.Value();
}

std::unique_ptr<PackedRecord> CAppVmTaskInfo::MsgpackPack(ILanguageDebug* /*debug*/) const {
    RecordEncoder encoder(GetMsgpackBufferMaxSize());
    encoder.Text(taskId);
    encoder.Integer(stepCount);
    encoder.Array(timerId.size());
    for (const int timer : timerId) encoder.Integer(timer);
    return encoder.Finish();
}

uint32_t CAppVmParBin::GetMsgpackBufferMaxSize() const {
    BoundSum bound;
    bound.Text(key).Add(1);
    for (const std::string& attachKey : attachKeys) bound.Text(attachKey, 1);
    for (const auto& [name, values] : attachData) {
        bound.Text(name, 1);
        for (const std::string& value : values) bound.Text(value, 1);
    }
    return bound.Value();
}

std::unique_ptr<PackedRecord> CAppVmParBin::MsgpackPack(ILanguageDebug* /*debug*/) const {
    RecordEncoder encoder(GetMsgpackBufferMaxSize());
    encoder.Text(key);
    encoder.Array(attachKeys.size());
    for (const std::string& attachKey : attachKeys) encoder.Text(attachKey);
    encoder.Map(attachData.size());
    for (const auto& [name, values] : attachData) {
        encoder.Text(name);
        encoder.Array(values.size());
        for (const std::string& value : values) encoder.Text(value);
    }
    return encoder.Finish();
}

uint32_t CAppVmDefaultData::GetMsgpackBufferMaxSize() const {
    BoundSum bound;
    for (const auto& [key, value] : defaultData) bound.Text(key).Text(value, 2);
    return bound.Value();
}

std::unique_ptr<PackedRecord> CAppVmDefaultData::MsgpackPack(ILanguageDebug* /*debug*/) const {
    // An empty table has the bound 0, which holds not even the map header: the VM expects an
    // empty default-value section then, so the result is a zero-length record.
    if (defaultData.empty()) return std::make_unique<PackedRecord>();
    RecordEncoder encoder(GetMsgpackBufferMaxSize());
    encoder.Map(defaultData.size());
    for (const auto& [key, value] : defaultData) {
        encoder.Text(key);
        encoder.Text(value);
    }
    return encoder.Finish();
}
