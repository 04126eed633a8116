// KvMethod: the byte-level helpers of the VM image: the key hash, fixed-width byte forms,
// and the listing line that shows a value with its big-endian bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CommonMethod;

class KvMethod {
public:
    KvMethod();
    ~KvMethod();
    KvMethod(const KvMethod&) = delete;
    KvMethod& operator=(const KvMethod&) = delete;

    // h = h * 31 + byte over the bytes (unsigned), modulo 2^32, as a signed value. Returns 0
    // for a null pointer or a length of 0 or less. One pass, no allocation.
    static int32_t hashCode(const char* data, int32_t length);
    // The same hash over every byte of text.
    static int32_t hashCode(std::string_view text);

    // value masked to bits, as ceil(bits / 8) bytes, least significant first. Empty for 0
    // bits; throws std::out_of_range("UInteToByte") above 32 bits.
    static std::vector<uint8_t> UInteToByte(uint32_t value, uint8_t bits);
    // UInteToByte with the most significant byte first.
    static std::vector<uint8_t> GetBigDataBytes3(uint32_t value, uint8_t bits);

    // "name text，大端模式大端编码0xAA BB ..." (no hex part when bytes is empty).
    std::string MakeAppDebugMessage(const std::string& name, const std::string& text,
                                    const std::vector<uint8_t>& bytes) const;

private:
    struct CommonMethodDeleter {
        void operator()(CommonMethod* method) const;
    };
    std::unique_ptr<CommonMethod, CommonMethodDeleter> commonMethod_;
};
