#pragma once
// Status and Result<T>: the error values every core procedure returns instead of throwing.
// A Status is either ok or carries a message written for the user (the system's own text where there is one).
#include <optional>
#include <string>
#include <utility>

namespace kestrel {

class Status {
public:
    Status() = default;
    static Status ok() { return Status(); }
    static Status error(std::string message) { return Status(std::move(message)); }

    bool isOk() const { return !m_message.has_value(); }
    explicit operator bool() const { return isOk(); }
    // The message shown to the user; empty when ok.
    const std::string& message() const {
        static const std::string kEmpty;
        return m_message ? *m_message : kEmpty;
    }

private:
    explicit Status(std::string message) : m_message(std::move(message)) {}
    std::optional<std::string> m_message;
};

template <typename T> class Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Status status) : m_status(std::move(status)) {}
    static Result error(std::string message) { return Result(Status::error(std::move(message))); }

    bool isOk() const { return m_value.has_value(); }
    explicit operator bool() const { return isOk(); }
    const Status& status() const { return m_status; }
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
