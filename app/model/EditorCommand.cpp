#include "EditorCommand.h"

#include <QDir>
#include <QProcess>

#include <utility>

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

// `word` with %f, %l and %% replaced; whether it held %f.
QString substituted(const QString &word, const QString &path, const QString &line, bool &hadPath)
{
    QString result;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar next = i + 1 < word.size() ? word[i + 1] : QChar();
        if (word[i] != QLatin1Char('%')
            || (next != QLatin1Char('f') && next != QLatin1Char('l') && next != QLatin1Char('%'))) {
            result += word[i];
            continue;
        }
        ++i;
        if (next == QLatin1Char('f')) {
            result += path;
            hadPath = true;
        } else {
            result += next == QLatin1Char('l') ? line : QStringLiteral("%");
        }
    }
    return result;
}

} // namespace

std::optional<QStringList> EditorCommand::splitWords(const QString &command)
{
    QStringList words;
    QString word;
    // A word begins at its first character or quote: "" is an empty word.
    bool inWord = false;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command[i];
        if (isBlank(c)) {
            if (inWord)
                words << std::exchange(word, QString());
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == QLatin1Char('\\')) {
            if (++i == command.size())
                return std::nullopt;
            // A backslash before a line end joins the lines.
            if (command[i] != QLatin1Char('\n'))
                word += command[i];
        } else if (c == QLatin1Char('\'')) {
            const qsizetype end = command.indexOf(QLatin1Char('\''), i + 1);
            if (end < 0)
                return std::nullopt;
            word += QStringView(command).sliced(i + 1, end - i - 1);
            i = end;
        } else if (c == QLatin1Char('"')) {
            // Within double quotes a backslash escapes only what they
            // would give a meaning to.
            for (++i;; ++i) {
                if (i == command.size())
                    return std::nullopt;
                if (command[i] == QLatin1Char('"'))
                    break;
                if (command[i] == QLatin1Char('\\') && i + 1 < command.size()
                    && QStringView(u"$`\"\\\n").contains(command[i + 1])) {
                    if (command[++i] != QLatin1Char('\n'))
                        word += command[i];
                } else {
                    word += command[i];
                }
            }
        } else {
            word += c;
        }
    }
    if (inWord)
        words << word;
    return words;
}

QStringList EditorCommand::arguments(const QString &path, quint32 line) const
{
    const std::optional<QStringList> words = splitWords(m_command);
    if (!words || words->isEmpty())
        return {};
    const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path);
    const QString lineText = QString::number(qMax<quint32>(line, 1));
    // The program is taken as written: a path never names what is run.
    QStringList arguments = { words->first() };
    bool hadPath = false;
    for (const QString &word : words->sliced(1))
        arguments << substituted(word, absolute, lineText, hadPath);
    if (!hadPath)
        arguments << absolute;
    return arguments;
}

bool EditorCommand::start(const QString &path, quint32 line)
{
    m_errorString.clear();
    QStringList arguments = this->arguments(path, line);
    if (arguments.isEmpty()) {
        m_errorString = isSet() ? QStringLiteral("The editor command has a quote that is not closed or ends with a "
                                                 "backslash.")
                                : QStringLiteral("No editor command is set.");
        return false;
    }
    QProcess process;
    process.setProgram(arguments.takeFirst());
    process.setArguments(arguments);
    if (process.startDetached())
        return true;
    m_errorString
        = QStringLiteral("The editor \"%1\" could not be started: %2").arg(process.program(), process.errorString());
    return false;
}
