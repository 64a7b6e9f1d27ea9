#pragma once

#include <QString>

#include <stdexcept>

// An error the program raises with a message for the user; it is shown in the
// exception box when it escapes a handler.
class EAppError : public std::runtime_error {
public:
    explicit EAppError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message)
    {
    }
    const QString& message() const noexcept { return message_; }

private:
    QString message_;
};

// The message of any exception, for the exception box: our own errors keep their
// text, other standard exceptions give what(), anything else an empty message.
QString ExceptionMessage(std::exception_ptr error);
