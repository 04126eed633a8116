// HostMessages: the ids of the host's message catalog and their texts.
#pragma once

#include <string_view>

namespace kvhost {

enum class HostMsg {
#define KV_MSG(id, code, text) id,
#include "host/HostMessages.def"
#undef KV_MSG
};

// The fixed text of a catalog entry.
std::string_view HostText(HostMsg id);
// The kvc exit status the entry leads to.
int HostCode(HostMsg id);

}  // namespace kvhost
