#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The command the user chose to open a source file at a line in an editor,
// such as "code -g %f:%l", "phpstorm --line %l %f" or "emacsclient +%l %f".
// It is split into words as a shell splits them (blanks, single and double
// quotes, backslashes) but run without a shell: %f and %l are replaced
// within the arguments by the path and the line number, "%%" by "%", so
// that the path, whatever it holds, is part of one argument and never
// interpreted. Without %f the path is added as the last argument. Without a
// command the window opens files with the desktop's handler instead.
class EditorCommand
{
public:
    explicit EditorCommand(const QString &command)
        : m_command(command)
    { }

    bool isSet() const { return !m_command.trimmed().isEmpty(); }

    // The words of `command` as a shell splits them, with nothing expanded;
    // nothing when a quote is not closed or the text ends with a backslash.
    static std::optional<QStringList> splitWords(const QString &command);

    // The program and its arguments that open `path` at `line` (0 when not
    // known, given as 1); a relative path is made absolute, so that it can
    // never be taken for an option. Empty when no command is set or it
    // cannot be split.
    QStringList arguments(const QString &path, quint32 line) const;

    // Starts the editor, which runs on after this program ends; false, with
    // errorString() set, when it cannot be started.
    bool start(const QString &path, quint32 line);
    QString errorString() const { return m_errorString; }

private:
    QString m_command;
    QString m_errorString;
};
