#pragma once

#include <QString>
#include <QStringList>

// The program's command line: an optional folder (every non-option argument, joined with
// single blanks) and options. Options start with "-", are matched case-insensitively with one
// or two leading dashes, and count when they begin with a switch's name ("--windows" is
// "--window", "--topwindow" is not). "--" ends the options.
class CommandLine
{
public:
    static CommandLine parse(const QStringList &arguments);

    // No argument at all.
    bool isEmpty() const { return m_arguments.isEmpty(); }
    // At least one option was given: only then are the switches applied, and the settings are
    // not written at exit.
    bool hasOptions() const { return m_hasOptions; }
    // The non-option arguments joined with single blanks, untrimmed.
    QString folderText() const { return m_folderText; }
    // The non-option arguments one by one (a file manager passes each opened file as one).
    QStringList folderParts() const { return m_folderParts; }
    // True when some option begins with `name` (given without dashes, lower case).
    bool hasSwitch(const QString &name) const;

    bool wantsHelp() const { return m_help; }
    bool wantsVersion() const { return m_version; }

    static QString helpText();
    static QString versionText();

private:
    QStringList m_arguments;
    QStringList m_optionNames; // lower case, dashes removed
    QString m_folderText;
    QStringList m_folderParts;
    bool m_hasOptions = false;
    bool m_help = false;
    bool m_version = false;
};
