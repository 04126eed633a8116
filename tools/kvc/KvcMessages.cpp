// KvcMessages: expands the kvc message catalog into lookup tables.
#include "tools/kvc/KvcMessages.h"

#include <cstddef>

namespace kvc {
namespace {

struct CatalogRow {
    int code;
    std::string_view text;
};

constexpr CatalogRow kCatalog[] = {
#define KV_MSG(id, code, text) {code, text},
#include "tools/kvc/KvcMessages.def"
#undef KV_MSG
};

}  // namespace

std::string_view KvcText(KvcMsg id) { return kCatalog[static_cast<std::size_t>(id)].text; }

int KvcCode(KvcMsg id) { return kCatalog[static_cast<std::size_t>(id)].code; }

}  // namespace kvc
