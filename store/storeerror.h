#pragma once
#include <QString>
#include <stdexcept>

// A failure of the analysis store: the file cannot be opened, is not an
// analysis database, a statement fails, or a save is refused. The message is
// French, ready to be shown to the user, and carries the engine's own message
// where there is one.
class StoreError : public std::runtime_error
{
public:
    explicit StoreError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString &message() const { return m_message; }

private:
    QString m_message;
};
