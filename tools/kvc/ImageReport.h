// ImageReport: shows a decoded image as text for people or as one JSON document.
#pragma once

#include <string>

#include "host/ImageReader.h"

namespace kv::kvc {

using kv::host::DecodedImage;

// Lines like:
//   image: 64 bytes
//   header offsets:
//     variables   0
//     ...
//   variables: 1 record, record offsets [0], end offset 13
//     [0] appKey "k1", dataType 2, eventType 0, defaultValue "", belongTaskId ["t1"]
//   ...
//   default data: 7 bytes
//     "a": "1"
//   extension data: 0 bytes
// Strings are quoted and escaped as JSON strings, so no byte of the image reaches the
// terminal raw.
std::string ImageToText(const DecodedImage& image);

// The same content as one compact JSON document followed by a line feed:
// {"size","header":{...},"variables":{"count","recordOffsets","endOffset","records"},
//  "tasks":{...},"parameters":{...},"defaultData":{...} or null,"extensionSize"}
std::string ImageToJson(const DecodedImage& image);

}  // namespace kv::kvc
