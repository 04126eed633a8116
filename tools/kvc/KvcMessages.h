// KvcMessages: the ids of the kvc message catalog and their texts.
#pragma once

#include <string>
#include <string_view>

namespace kvc {

enum class KvcMsg {
#define KV_MSG(id, code, text) id,
#include "tools/kvc/KvcMessages.def"
#undef KV_MSG
};

// The fixed text of a catalog entry.
std::string_view KvcText(KvcMsg id);
// The exit status the entry leads to.
int KvcCode(KvcMsg id);
// The fixed text as a std::string, for assembling.
inline std::string KvcString(KvcMsg id) { return std::string(KvcText(id)); }

}  // namespace kvc
