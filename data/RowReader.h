// RowReader: walks a host table's rows and hands each row's JSON text to the loader.
#pragma once

#include <string>

#include "IData.h"
#include "data/DataMessages.h"

namespace kv::rows {

// The row's field when it holds something usable, else null.
inline IDataField* UsableField(IDataRecord* record) {
    IDataField* field = record != nullptr ? record->GetField() : nullptr;
    return field != nullptr && field->IsValid() ? field : nullptr;
}

// Calls onRow(text) for each row in key order while it returns true. Returns false when a
// row was unusable or onRow asked to stop; true when every row was handled. An unusable row
// is reported: it stops the load, and a silent stop would leave every later table empty
// while the compilation looked successful.
template <typename OnRow>
bool ForEachRow(IData* host, IDataTable* table, OnRow&& onRow) {
    for (const auto& entry : table->GetRecords()) {
        IDataField* field = UsableField(entry.second);
        if (field == nullptr) {
            kv::diag::Report(host, kv::diag::data::TableRowInvalid, kv::diag::NoLine(),
                             table->GetName());
            return false;
        }
        if (!onRow(field->GetString())) return false;
    }
    return true;
}

}  // namespace kv::rows
