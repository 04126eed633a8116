// VmText: texts as the image carries them (UTF-8), for hashing and packing.
#pragma once

#include <string>

#ifdef _WIN32
// The Windows build holds host texts in GBK; the image needs UTF-8.
std::string ImageText(const std::string& text);
#else
// Linux texts are UTF-8 already: no conversion and no copy.
inline const std::string& ImageText(const std::string& text) { return text; }
#endif
