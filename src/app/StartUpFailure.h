#pragma once

#include <QString>

#include <stdexcept>

// A failure during start-up that ends the program with the "Unexpected error" message.
class StartUpFailure : public std::runtime_error
{
public:
    explicit StartUpFailure(const QString &description)
        : std::runtime_error(description.toStdString())
        , m_description(description)
    {
    }
    QString description() const { return m_description; }

private:
    QString m_description;
};
