#pragma once

#include <QString>

class QWidget;

// Modal message boxes with one OK button. Behind an interface so that tests record the
// boxes instead of blocking on them.
enum class MessageIcon { Information, Warning, Stop };

class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual void show(QWidget *owner, MessageIcon icon, const QString &title, const QString &text) = 0;
};
