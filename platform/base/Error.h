// The one exception type of the library and platform: it carries the system's message text.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace zv {

// Every operation that "raises an error" throws an Exception (or a subclass) whose
// message() is the exact, user-visible text (Windows-1252 bytes).
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Conversion failures: "'%s' is not a valid floating point value" and the like.
class ConvertError : public Exception {
public:
    using Exception::Exception;
};

// Variant type conversion failures: "Invalid variant type conversion" and the like.
class VariantError : public Exception {
public:
    using Exception::Exception;
};

// Arithmetic failures: "Division by zero", "Invalid floating point operation", "Floating point overflow".
class MathError : public Exception {
public:
    using Exception::Exception;
};

// A read that could not deliver all the bytes asked for, or a failed write.
// Readers of untrusted files catch it and fail with their own message.
class StreamError : public Exception {
public:
    using Exception::Exception;
};

// Thrown to abort an operation after the user has already been told (a message box was shown).
// Catchers treat it as a failure without showing anything more.
class SilentAbort : public Exception {
public:
    SilentAbort() : Exception(std::string()) {}
};

}  // namespace zv
