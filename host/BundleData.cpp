// BundleData: the in-memory store and lookups of a loaded bundle.
#include "host/BundleData.h"

#include "host/HostText.h"

namespace kv::host {

std::string BundleRemark::Describe() const {
    return path + (kind == Kind::Warning ? ": warning: " : ": note: ") + text;
}

void BundleData::SetData(const std::string& group, const std::string& key, BasicData* value) {
    if (value == nullptr) return;
    stored_[group][key].reset(value);
}

void BundleData::FindMidVariables(const std::string& shortName, std::vector<IMidVariable*>& out) {
    const auto it = midVariables_.byShortName.find(shortName);
    if (it != midVariables_.byShortName.end()) {
        out.insert(out.end(), it->second.begin(), it->second.end());
    }
}

void BundleData::FindFunctions(const std::string& shortName, std::vector<ICFunction*>& out) {
    const auto it = functions_.byShortName.find(shortName);
    if (it != functions_.byShortName.end()) {
        out.insert(out.end(), it->second.begin(), it->second.end());
    }
}

std::vector<RewrittenRow> BundleData::RewrittenRows() const {
    std::vector<RewrittenRow> rows;
    for (const auto& [database, tables] : databases_) {
        for (const BundleTable* table : tables) {
            for (const auto& [key, row] : table->Rows()) {
                if (row->Field().Rewritten()) {
                    rows.push_back({row->RelativePath(), &row->Field().Text()});
                }
            }
        }
    }
    return rows;
}

void BundleData::ReleaseTexts() {
    for (const std::unique_ptr<BundleTable>& table : tables_) {
        for (const auto& [key, row] : table->Rows()) row->Field().Release();
    }
}

void BundleData::AddDatabase(const std::string& database) {
    databaseView_[database];
    databases_[database];
}

BundleTable& BundleData::AddTable(const std::string& database, const std::string& name) {
    tables_.push_back(std::make_unique<BundleTable>(name));
    databaseView_[database].push_back(tables_.back().get());
    databases_[database].push_back(tables_.back().get());
    return *tables_.back();
}

BundleTable& BundleData::AddTable(const std::string& database, const std::string& name,
                                  const std::string& json) {
    return AddTable(database, name).AddRow("0", json);
}

BundleTable& BundleTable::AddRow(const std::string& key, std::string text, bool valid) {
    if (kHostTextIsGbk) {
        kv::gbk::Converted host = JsonToHostText(text);
        if (host.Ok()) text = std::move(host.text);
    }
    AddRow(key, std::make_unique<BundleRecord>(std::move(text), valid, std::filesystem::path()));
    return *this;
}

}  // namespace kv::host
