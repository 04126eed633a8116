// VmText: the Windows conversion of host texts into the image's UTF-8.
#include "vm/VmText.h"

#ifdef _WIN32
#include <memory>

#include "utilo/CodeConvert.h"

std::string ImageText(const std::string& text) {
    // CodeConvert holds no state and is released with a plain delete.
    std::unique_ptr<CodeConvert> convert(newCodeConvert());
    return convert->ConvertText(text);
}
#endif
