// VmMessages: ids, codes and texts of the VM image subsystem's messages (VmMessages.def).
#pragma once

#include <cstddef>

enum class VmMsg {
#define KV_MSG(id, code, text) id,
#include "vm/VmMessages.def"
#undef KV_MSG
};

struct VmMessageRow {
    VmMsg id;
    const char* name;
    int code;
    const char* text;
};

inline constexpr VmMessageRow kVmMessages[] = {
#define KV_MSG(id, code, text) {VmMsg::id, #id, code, text},
#include "vm/VmMessages.def"
#undef KV_MSG
};

// Rows are in enum order, so an id indexes its row directly.
inline constexpr const VmMessageRow& VmMessage(VmMsg id) {
    return kVmMessages[static_cast<size_t>(id)];
}
inline constexpr const char* VmText(VmMsg id) { return VmMessage(id).text; }
inline constexpr int VmCode(VmMsg id) { return VmMessage(id).code; }
