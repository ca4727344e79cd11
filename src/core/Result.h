#pragma once

#include <string>
#include <utility>
#include <variant>

namespace core {

// What an operation that can fail gives back: its value, or the reason it has none, in plain
// words (UTF-8) for the caption. Every operation of either program that can fail for a reason
// the user should read answers this way. There is no way to read a value that is not there:
// value() is a pointer that is null after a failure.
template <typename T> class [[nodiscard]] Result
{
public:
    Result(T value) : m_held(std::move(value)) {}
    static Result failure(std::string reason) { return Result(Reason{std::move(reason)}); }

    bool ok() const { return std::holds_alternative<T>(m_held); }
    const T* value() const { return std::get_if<T>(&m_held); }
    // Why it failed; empty when it did not.
    const std::string& reason() const
    {
        static const std::string none;
        const Reason* failed = std::get_if<Reason>(&m_held);
        return failed ? failed->text : none;
    }

private:
    struct Reason
    {
        std::string text;
    };
    explicit Result(Reason reason) : m_held(std::move(reason)) {}

    std::variant<T, Reason> m_held;
};

// The value of an operation that gives nothing back but may fail.
struct Done
{
};
using Outcome = Result<Done>;

} // namespace core
