// How the bus layer reports failure: a Result holds either the value asked for or a Failure that
// says what went wrong, in one line fit for the user, and of what kind. Nothing here prints.
#pragma once

#include <QString>

#include <utility>
#include <variant>

struct Failure {
    enum class Kind {
        Usage,        // the request cannot be carried out as given: a value, an argument, an input file
        Failed,       // a servo, the port or a file failed while carrying it out
        Interrupted,  // stopped on request (a signal) before it was complete
    };
    Kind kind = Kind::Failed;
    QString message;
    int servoId = -1;  // the servo at fault, when one is

    // The same failure, naming the servo at fault.
    Failure about(int id) &&
    {
        servoId = id;
        return std::move(*this);
    }

    static Failure usage(QString message) { return {Kind::Usage, std::move(message)}; }
    static Failure failed(QString message) { return {Kind::Failed, std::move(message)}; }
    static Failure interrupted(QString message) { return {Kind::Interrupted, std::move(message)}; }
};

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::move(value)) {}
    Result(Failure failure) : m_state(std::move(failure)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    const T* operator->() const { return &value(); }
    const Failure& failure() const { return std::get<1>(m_state); }

private:
    std::variant<T, Failure> m_state;
};

// The result of work that yields nothing but success or a failure.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : m_failure(std::move(failure)), m_failed(true) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const Failure& failure() const { return m_failure; }

private:
    Failure m_failure;
    bool m_failed = false;
};
