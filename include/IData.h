// IData: the compiler host's data store, function tables and log sink.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ICFunction.h"
#include "ILanguageDebug.h"

class BasicData;

// One row of a table: a single JSON text.
class IDataField {
public:
    // False when the row holds nothing usable.
    virtual bool IsValid() = 0;
    // The row's JSON text.
    virtual std::string GetString() = 0;
    // Replaces the row's JSON text.
    virtual void SetString(const std::string& text) = 0;

protected:
    ~IDataField() = default;
};

class IDataRecord {
public:
    virtual IDataField* GetField() = 0;

protected:
    ~IDataRecord() = default;
};

// A named table whose rows are walked in ascending key order.
class IDataTable {
public:
    virtual std::string GetName() = 0;
    virtual const std::map<std::string, IDataRecord*>& GetRecords() = 0;

protected:
    ~IDataTable() = default;
};

// The host's data, passed to createObject; the library never owns or frees it.
class IData {
public:
    // Database name -> its tables in list order.
    virtual const std::map<std::string, std::vector<IDataTable*>>& GetDatabases() = 0;
    // Stores a basic-data value under group and key; the host takes the value over.
    virtual void SetData(const std::string& group, const std::string& key, BasicData* value) = 0;
    // Appends every intermediate variable whose short name is shortName.
    virtual void FindMidVariables(const std::string& shortName,
                                  std::vector<IMidVariable*>& out) = 0;
    // Appends every function whose short name is shortName.
    virtual void FindFunctions(const std::string& shortName, std::vector<ICFunction*>& out) = 0;
    // The callable functions by the name used in recipes.
    virtual const std::map<std::string, std::vector<ICFunction*>>& GetFunctionTable() = 0;
    // The log sink; may be null only in hosts that keep no log.
    virtual ILanguageDebug* GetLanguageDebug() = 0;

protected:
    ~IData() = default;
};
