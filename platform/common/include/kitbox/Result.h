#pragma once
// The project's one error style: a value or a message, never an exception
// across a component boundary.
#include <optional>
#include <string>
#include <utility>

namespace kitbox {

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::move(value)) {}  // NOLINT(google-explicit-constructor)
    static Result failure(std::string message) {
        Result r;
        r.m_error = std::move(message);
        return r;
    }
    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T &value() const & { return *m_value; }
    T &value() & { return *m_value; }
    T &&value() && { return std::move(*m_value); }
    const std::string &error() const { return m_error; }

private:
    Result() = default;
    std::optional<T> m_value;
    std::string m_error;
};

// For operations without a value.
struct Ok {};
using Status = Result<Ok>;
inline Status success() { return Ok{}; }
inline Status failure(std::string message) { return Status::failure(std::move(message)); }

}  // namespace kitbox
