#pragma once

#include <string>
#include <utility>
#include <variant>

#include "api/Protocol.h"

namespace zkr {

// A failure as the caller gets it: the code and what it concerns (a file's
// name, a device's own reason). Nothing is shown when it is made: the caller
// decides, on its own thread, whether and how the user hears of it.
struct Error {
    int code = toWire(engine::Error::Ok);
    std::string context;

    [[nodiscard]] bool failed() const { return code != toWire(engine::Error::Ok); }
};

// A value or the failure that kept it from being made.
template <class T> class [[nodiscard]] ErrorOr {
public:
    ErrorOr(T value) : content_(std::move(value)) {}
    ErrorOr(Error error) : content_(std::move(error)) {}

    [[nodiscard]] bool failed() const { return std::holds_alternative<Error>(content_); }
    T& value() { return std::get<T>(content_); }
    const T& value() const { return std::get<T>(content_); }
    const Error& error() const { return std::get<Error>(content_); }

private:
    std::variant<T, Error> content_;
};

} // namespace zkr
