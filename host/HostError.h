// HostError and HostResult: how the host's loading and writing report a failure.
#pragma once

#include <string>
#include <utility>
#include <variant>

#include "host/HostMessages.h"

namespace kv::host {

// A failure tied to one file or folder: "<path>: <reason>".
struct HostError {
    std::string path;    // as the user would recognise it (the path given, joined with names)
    std::string reason;  // a sentence of a message table
    int exitCode = 2;    // the kvc exit status it leads to

    std::string Describe() const { return path.empty() ? reason : path + ": " + reason; }
};

// The error for path: message's sentence with its slots filled, and the exit status it leads to.
template <int Slots, typename... Values>
requires(sizeof...(Values) == Slots) HostError
    MakeHostError(std::string path, const kv::diag::Message<Slots>& message,
                  const Values&... values) {
    return HostError{std::move(path), kv::diag::Text(message, values...), message.code};
}

// Either a value or the error that prevented it.
template <typename T>
class HostResult {
public:
    HostResult(T value) : state_(std::move(value)) {}          // NOLINT: implicit on purpose
    HostResult(HostError error) : state_(std::move(error)) {}  // NOLINT: implicit on purpose

    bool Ok() const { return std::holds_alternative<T>(state_); }
    T& Value() { return std::get<T>(state_); }
    const HostError& Error() const { return std::get<HostError>(state_); }

private:
    std::variant<T, HostError> state_;
};

}  // namespace kv::host
