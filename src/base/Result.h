#pragma once

// The one convention for an operation that can fail with a reason: it returns
// a Status (or a Result<T> with its value), never an empty string that means
// success in one place and failure in another. The reason is one line a user
// can read.

#include <optional>
#include <string>
#include <utility>

namespace qv {

class [[nodiscard]] Status {
public:
    Status() = default; // success
    static Status Fail(std::string reason) {
        Status s;
        s.failed_ = true;
        s.reason_ = reason.empty() ? std::string("failed") : std::move(reason);
        return s;
    }
    bool Ok() const { return !failed_; }
    explicit operator bool() const { return Ok(); }
    const std::string& Reason() const { return reason_; }

private:
    bool failed_ = false;
    std::string reason_;
};

template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}         // NOLINT: a value converts to success
    Result(Status failure) : reason_(failure.Reason()) {} // a failed Status converts to failure
    static Result Fail(std::string reason) { return Result(Status::Fail(std::move(reason))); }

    bool Ok() const { return value_.has_value(); }
    explicit operator bool() const { return Ok(); }
    const std::string& Reason() const { return reason_; }
    const T& Value() const& { return *value_; }
    T& Value() & { return *value_; }
    T&& Value() && { return std::move(*value_); }
    const T& operator*() const& { return *value_; }
    const T* operator->() const { return &*value_; }
    // The failure as a Status (success when there is a value).
    Status AsStatus() const { return Ok() ? Status() : Status::Fail(reason_); }

private:
    std::optional<T> value_;
    std::string reason_;
};

} // namespace qv
