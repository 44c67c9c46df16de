#pragma once
// Status and Result<T>: the error values every core procedure returns instead of throwing.
// A Status is either ok or carries a code (what kind of failure, for callers to branch on) and a
// message written for the user (the system's own text where there is one). Callers never compare the
// message text; they look at the code.
#include <optional>
#include <string>
#include <utility>

namespace kestrel {

enum class StatusCode {
    Ok,
    Failed,       // any other failure (the code of Status::error(message))
    Cancelled,    // the user answered No or stopped the work
    NotFound,     // a file, issue or row that is not there
    InvalidInput, // a value or file the procedure refuses
    OutOfRange,   // a number too large for its field (a kind of invalid input)
    Busy,         // another program or window holds what is needed
    Io,           // reading or writing a file failed
    Database,     // the database refused or failed
};

class [[nodiscard]] Status {
public:
    Status() = default;
    static Status ok() { return Status(); }
    static Status error(std::string message) { return Status(StatusCode::Failed, std::move(message)); }
    static Status error(StatusCode code, std::string message) { return Status(code, std::move(message)); }
    static Status cancelled(std::string message = {}) { return Status(StatusCode::Cancelled, std::move(message)); }

    bool isOk() const { return m_code == StatusCode::Ok; }
    explicit operator bool() const { return isOk(); }
    StatusCode code() const { return m_code; }
    bool is(StatusCode code) const { return m_code == code; }
    // The message shown to the user; empty when ok (and possibly for a cancellation).
    const std::string& message() const {
        static const std::string kEmpty;
        return m_message ? *m_message : kEmpty;
    }

private:
    Status(StatusCode code, std::string message)
        : m_code(code == StatusCode::Ok ? StatusCode::Failed : code), m_message(std::move(message)) {}
    StatusCode m_code = StatusCode::Ok;
    std::optional<std::string> m_message;
};

template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Status status) : m_status(std::move(status)) {}
    static Result error(std::string message) { return Result(Status::error(std::move(message))); }
    static Result error(StatusCode code, std::string message) {
        return Result(Status::error(code, std::move(message)));
    }

    bool isOk() const { return m_value.has_value(); }
    explicit operator bool() const { return isOk(); }
    const Status& status() const { return m_status; }
    StatusCode code() const { return m_status.code(); }
    const std::string& message() const { return m_status.message(); }
    T& value() { return *m_value; }
    const T& value() const { return *m_value; }
    T& operator*() { return *m_value; }
    const T& operator*() const { return *m_value; }
    T* operator->() { return &*m_value; }
    const T* operator->() const { return &*m_value; }

private:
    std::optional<T> m_value;
    Status m_status;
};

} // namespace kestrel
