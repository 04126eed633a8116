// KvMethod: key hash, fixed-width byte forms and byte listing lines.
#include "vm/KvMethod.h"

#include <algorithm>
#include <stdexcept>

#include "utilo/CommonMethod.h"
#include "vm/VmMessages.h"

void KvMethod::CommonMethodDeleter::operator()(CommonMethod* method) const { delete method; }

KvMethod::KvMethod() : commonMethod_(newCommonMethod()) {}

KvMethod::~KvMethod() = default;

int32_t KvMethod::hashCode(const char* data, int32_t length) {
    if (data == nullptr || length <= 0) return 0;
    return hashCode(std::string_view(data, static_cast<size_t>(length)));
}

int32_t KvMethod::hashCode(std::string_view text) {
    // Unsigned arithmetic wraps modulo 2^32 by definition; the cast back is two's complement.
    uint32_t hash = 0;
    for (const char c : text) hash = hash * 31u + static_cast<unsigned char>(c);
    return static_cast<int32_t>(hash);
}

std::vector<uint8_t> KvMethod::UInteToByte(uint32_t value, uint8_t bits) {
    if (bits == 0) return {};
    if (bits > 32) throw std::out_of_range("UInteToByte");
    // Shift in 64 bits so that a 32-bit width does not shift by the full word.
    const uint32_t mask = static_cast<uint32_t>((uint64_t{1} << bits) - 1);
    value &= mask;
    const size_t count = (bits + 7u) / 8u;
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<uint8_t>(value & 0xFFu);
        value >>= 8;
    }
    return bytes;
}

std::vector<uint8_t> KvMethod::GetBigDataBytes3(uint32_t value, uint8_t bits) {
    std::vector<uint8_t> bytes = UInteToByte(value, bits);
    std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

std::string KvMethod::MakeAppDebugMessage(const std::string& name, const std::string& text,
                                          const std::vector<uint8_t>& bytes) const {
    std::string hex;
    for (size_t i = 0; i < bytes.size(); ++i) {
        hex += i == 0 ? "0x" : " ";
        hex += commonMethod_->Format("%02X", bytes[i]);
    }
    return kv::diag::Text(kv::diag::vm::OffsetListing, name, text, hex);
}
