// JsonMap<T>: a string-keyed map bound to a JSON object.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "RapidJsonHelper/JsonArray.h"
#include "utilo/JsonBase.h"

namespace Brisk::RapidJsonHelper {

template <typename T>
class JsonMap : public JsonBase {
public:
    using mapped_type = T;

    // Entries in ascending byte-wise key order.
    std::map<std::string, T> entries;
    // When set, ToWrite lists the keys in descending byte-wise order.
    bool writeKeysDescending = false;

    // True exactly when a sorts after b: the order of a descending write.
    static bool CmpBykey(const std::string& a, const std::string& b) { return a.compare(b) > 0; }

    // Stores one entry per non-null member, replacing an entry of the same name and keeping
    // the others; a non-object value changes nothing. A scalar of the wrong kind is skipped.
    void ParseJson(const JsonValue& value) override {
        if (!value.IsObject()) return;
        for (const auto& member : value.GetObject()) {
            if (member.value.IsNull()) continue;
            std::string name(member.name.GetString(), member.name.GetStringLength());
            if constexpr (kIsJsonScalar<T>) {
                T parsed{};
                if (JsonBase::ToParseEvery(member.value, parsed)) {
                    entries[std::move(name)] = std::move(parsed);
                }
            } else {
                T record;
                record.ParseJson(member.value);
                entries[std::move(name)] = std::move(record);
            }
        }
    }

    void ToWrite(JsonWriter& writer) const override {
        writer.StartObject();
        // Walking the ascending map backwards gives exactly the CmpBykey order without a copy.
        if (writeKeysDescending) {
            for (auto it = entries.rbegin(); it != entries.rend(); ++it) WriteEntry(writer, *it);
        } else {
            for (const auto& entry : entries) WriteEntry(writer, entry);
        }
        writer.EndObject();
    }

    // Map-like access so that callers look entries up in place.
    auto begin() { return entries.begin(); }
    auto end() { return entries.end(); }
    auto begin() const { return entries.begin(); }
    auto end() const { return entries.end(); }
    auto find(const std::string& key) { return entries.find(key); }
    auto find(const std::string& key) const { return entries.find(key); }
    size_t count(const std::string& key) const { return entries.count(key); }
    size_t size() const { return entries.size(); }
    bool empty() const { return entries.empty(); }
    T& operator[](const std::string& key) { return entries[key]; }

private:
    static void WriteEntry(JsonWriter& writer, const std::pair<const std::string, T>& entry) {
        // The whole name, NUL bytes included: two names differing after a NUL stay two keys.
        writer.Key(entry.first.data(), static_cast<rapidjson::SizeType>(entry.first.size()));
        if constexpr (kIsJsonScalar<T>) {
            JsonBase::ToWriteEvery(writer, entry.second);
        } else {
            entry.second.ToWrite(writer);
        }
    }
};

}  // namespace Brisk::RapidJsonHelper
