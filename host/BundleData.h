// BundleData: the host's data store over an application bundle directory, as IData.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "IData.h"
#include "arbor/BasicData.h"
#include "host/BundleTable.h"
#include "host/HostError.h"
#include "host/HostFunctions.h"

namespace kv::host {

class DeferredJsonChecks;

// A row the library replaced with SetString, with where it belongs in the bundle layout.
struct RewrittenRow {
    std::filesystem::path relativePath;  // database/table.json or database/table/row.json
    const std::string* text;             // lent from the row, valid while the BundleData lives
};

// Something the loader noticed in a bundle that loads. Warnings point at what is probably a
// mistake (a misspelt table); notes at what is legal but may surprise (a missing table).
struct BundleRemark {
    enum class Kind { Warning, Note };
    Kind kind;
    std::string path;  // as the user would recognise it
    std::string text;  // assembled from catalog pieces

    // "<path>: warning: <text>" or "<path>: note: <text>".
    std::string Describe() const;
};

// Not final: a host that fills the store in memory (an editor, the tests) builds on it.
class BundleData : public IData {
public:
    // Loads every database, table and host list of the bundle at dir. Fails, naming the file
    // and the reason, for a missing or unreadable bundle, a folder holding none of the known
    // databases, a missing host/functions.json, a table or row file that cannot be read (a
    // dangling link, a FIFO, a folder named like a file), a file that is not JSON or not
    // well-formed text, or a malformed host list (a missing host/midVariables.json is empty).
    // With deferred, the JSON checks of table files that the host takes as they stand (UTF-8
    // hosts) are queued there instead of run: the load then fails only for what it found
    // itself, and is whole only once deferred has found no failure. A load that fails answers
    // deferred's checks first: a failing file read before the fault is what it reports.
    static HostResult<std::unique_ptr<BundleData>> Load(const std::filesystem::path& dir,
                                                        DeferredJsonChecks* deferred = nullptr);

    const std::map<std::string, std::vector<IDataTable*>>& GetDatabases() override {
        return databaseView_;
    }
    // Takes value over; a later value under the same group and key replaces it.
    void SetData(const std::string& group, const std::string& key, BasicData* value) override;
    void FindMidVariables(const std::string& shortName, std::vector<IMidVariable*>& out) override;
    void FindFunctions(const std::string& shortName, std::vector<ICFunction*>& out) override;
    const std::map<std::string, std::vector<ICFunction*>>& GetFunctionTable() override {
        return functions_.byName;
    }
    ILanguageDebug* GetLanguageDebug() override { return log_; }

    // The sink handed to the library; not owned, may be null.
    void SetLanguageDebug(ILanguageDebug* log) { log_ = log; }

    // Everything stored with SetData, by group then key.
    const std::map<std::string, std::map<std::string, std::unique_ptr<BasicData>>>& Stored() const {
        return stored_;
    }
    // Every row rewritten with SetString, databases and tables in walk order.
    std::vector<RewrittenRow> RewrittenRows() const;
    // Lets go of every row text read from a file and not rewritten, to be read again from the
    // file if asked for: for a host whose library has read the tables and holds them itself.
    void ReleaseTexts();
    // What the loader noticed, in the order it walked the bundle.
    const std::vector<BundleRemark>& Remarks() const { return remarks_; }

    // Used by the loader while it fills the store: a database may hold no tables.
    void AddDatabase(const std::string& database);
    BundleTable& AddTable(const std::string& database, const std::string& name);
    // A table held in one row (keyed "0"), for a store filled in memory; json as AddRow takes it.
    BundleTable& AddTable(const std::string& database, const std::string& name,
                          const std::string& json);
    // Adds a host function (called name in recipes) and an intermediate variable.
    void AddFunction(const std::string& name, std::string fullName, int functionNo, int devIndex,
                     std::string methodPath) {
        functions_.Add(name, std::move(fullName), functionNo, devIndex, std::move(methodPath));
    }
    void AddMidVariable(std::string fullName, int devId, std::string sensorPath) {
        midVariables_.Add(std::move(fullName), devId, std::move(sensorPath));
    }
    void SetFunctions(FunctionTables functions) { functions_ = std::move(functions); }
    void SetMidVariables(MidVariableTables variables) { midVariables_ = std::move(variables); }
    void AddRemark(BundleRemark remark) { remarks_.push_back(std::move(remark)); }

private:
    std::vector<std::unique_ptr<BundleTable>> tables_;
    std::map<std::string, std::vector<IDataTable*>> databaseView_;
    std::map<std::string, std::vector<BundleTable*>> databases_;
    std::map<std::string, std::map<std::string, std::unique_ptr<BasicData>>> stored_;
    FunctionTables functions_;
    MidVariableTables midVariables_;
    std::vector<BundleRemark> remarks_;
    ILanguageDebug* log_ = nullptr;
};

}  // namespace kv::host
