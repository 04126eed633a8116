// BasicData: a value handed to the host's data store, either a text or a byte string.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class BasicData {
public:
    virtual ~BasicData() = default;
    virtual void SetText(const std::string& text) = 0;
    virtual void SetBytes(const std::vector<uint8_t>& bytes) = 0;
    // True once SetBytes was the last setter called.
    virtual bool IsBytes() const = 0;
    virtual const std::string& GetText() const = 0;
    virtual const std::vector<uint8_t>& GetBytes() const = 0;
};
