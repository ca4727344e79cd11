#pragma once

#include <string>
#include <utility>

namespace core {

// What an operation that can fail gives back: its value, or the reason it has none, in plain
// words for the caption. Every function of the program that fails for a reason the user should
// read answers this way; the Qt program gives its reasons as QString (util/Result.h).
template <typename T, typename Reason = std::string> class Result
{
public:
    Result(T value) : m_value(std::move(value)), m_ok(true) {}
    static Result failure(Reason reason)
    {
        Result result;
        result.m_reason = std::move(reason);
        return result;
    }

    bool ok() const { return m_ok; }
    const T& value() const { return m_value; }
    // Why it failed; empty when it did not.
    const Reason& reason() const { return m_reason; }

private:
    Result() = default;

    T m_value{};
    Reason m_reason{};
    bool m_ok = false;
};

// The value of an operation that gives nothing back but may fail.
struct Done
{
};

} // namespace core
