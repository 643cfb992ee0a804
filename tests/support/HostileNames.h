#pragma once

#include <QByteArray>
#include <QtTest>

// File names that a careless program would split, run, expand, render as markup or mangle,
// as a "name" column of QByteArray with the caller's suffix. "<b>x</b>" is the file "b>" in the
// folder "<b>x<".
inline void addHostileNameRows(const QByteArray &suffix)
{
    QTest::addColumn<QByteArray>("name");
    const struct
    {
        const char *row;
        QByteArray stem;
    } names[] = {
        {"blanks", "  two  blanks "},
        {"quotes", "\"double\" and 'single'"},
        {"semicolon", "a;rm -rf ~;"},
        {"command substitution", "$(touch pwned)"},
        {"backticks", "`touch pwned`"},
        {"leading dash", "-rf --help"},
        {"line break", "two\nlines"},
        {"html", "<b>x</b>"},
        {"image tag", "<img src=x onerror=alert(1)>"},
        {"wildcards", "? * [a-z] [!]"},
        {"url syntax", "50%25 #frag ?q=1&r"},
        {"backslash", "back\\slash"},
        {"not utf-8", "caf\xe9 \xff"},
        {"utf-8", "f\xc3\xbcr"},
    };
    for (const auto &name : names)
        QTest::newRow(name.row) << name.stem + suffix;
}
