// HostMessages: expands the host's message catalog into lookup tables.
#include "host/HostMessages.h"

#include <cstddef>

namespace kvhost {
namespace {

struct CatalogRow {
    int code;
    std::string_view text;
};

constexpr CatalogRow kCatalog[] = {
#define KV_MSG(id, code, text) {code, text},
#include "host/HostMessages.def"
#undef KV_MSG
};

}  // namespace

std::string_view HostText(HostMsg id) { return kCatalog[static_cast<std::size_t>(id)].text; }

int HostCode(HostMsg id) { return kCatalog[static_cast<std::size_t>(id)].code; }

}  // namespace kvhost
