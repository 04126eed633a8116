// VmText: texts as the image carries them (UTF-8), for hashing and packing.
#pragma once

#include <stdexcept>
#include <string>

// Thrown by the Windows build's ImageText for a host text that is not GBK; the image builder
// catches it and refuses the image with a numbered error naming the text.
class NotConvertibleText : public std::runtime_error {
public:
    // shown: the text as far as it converts, then its first bad byte as \xNN.
    explicit NotConvertibleText(std::string shown)
        : std::runtime_error("text not convertible"), shown_(std::move(shown)) {}
    const std::string& Shown() const { return shown_; }

private:
    std::string shown_;
};

#ifdef _WIN32
// The Windows build holds host texts in GBK; the image needs UTF-8.
std::string ImageText(const std::string& text);
#else
// Linux texts are UTF-8 already: no conversion and no copy.
inline const std::string& ImageText(const std::string& text) { return text; }
#endif
