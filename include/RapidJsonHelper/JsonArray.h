// JsonArray<T>: a vector bound to a JSON array.
#pragma once

#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "utilo/JsonBase.h"

namespace Brisk::RapidJsonHelper {

// True for the element types converted by JsonBase::ToParseEvery/ToWriteEvery rather than
// by a record's own ParseJson/ToWrite.
template <typename T>
inline constexpr bool kIsJsonScalar = std::is_same_v<T, std::string> || std::is_same_v<T, int>;

template <typename T>
class JsonArray : public JsonBase {
public:
    using value_type = T;

    std::vector<T> items;

    // Appends one element per array element; a non-array value changes nothing. Scalars of
    // the wrong kind are skipped; a record element of the wrong kind appends a default record.
    // The vector is not cleared first, so parsing twice appends twice.
    void ParseJson(const JsonValue& value) override {
        if (!value.IsArray()) return;
        for (const JsonValue& element : value.GetArray()) {
            if constexpr (kIsJsonScalar<T>) {
                T parsed{};
                if (JsonBase::ToParseEvery(element, parsed)) items.push_back(std::move(parsed));
            } else {
                T record;
                record.ParseJson(element);
                items.push_back(std::move(record));
            }
        }
    }

    void ToWrite(JsonWriter& writer) const override {
        writer.StartArray();
        for (const T& element : items) {
            if constexpr (kIsJsonScalar<T>) {
                JsonBase::ToWriteEvery(writer, element);
            } else {
                element.ToWrite(writer);
            }
        }
        writer.EndArray();
    }

    // Vector-like access so that callers read the list in place.
    auto begin() { return items.begin(); }
    auto end() { return items.end(); }
    auto begin() const { return items.begin(); }
    auto end() const { return items.end(); }
    size_t size() const { return items.size(); }
    bool empty() const { return items.empty(); }
    T& operator[](size_t i) { return items[i]; }
    const T& operator[](size_t i) const { return items[i]; }
    void push_back(const T& value) { items.push_back(value); }
    void push_back(T&& value) { items.push_back(std::move(value)); }
    void clear() { items.clear(); }
};

}  // namespace Brisk::RapidJsonHelper
