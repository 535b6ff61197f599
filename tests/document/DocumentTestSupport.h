#pragma once

#include "AlertPresenter.h"
#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>

#include <zlib.h>

// The worked example of the reader: main -> render -> php::strlen, with
// self times 13, 5 and 2 microseconds.
inline const QByteArray workedExample = "version: 1\n"
                                        "creator: profiler\n"
                                        "cmd: /var/www/index.php\n"
                                        "part: 1\n"
                                        "\n"
                                        "events: Time\n"
                                        "\n"
                                        "fl=php:internal\n"
                                        "fn=php::strlen\n"
                                        "3 2\n"
                                        "\n"
                                        "fl=/var/www/index.php\n"
                                        "fn=render\n"
                                        "10 5\n"
                                        "cfn=php::strlen\n"
                                        "calls=1 0 0\n"
                                        "12 2\n"
                                        "\n"
                                        "fl=/var/www/index.php\n"
                                        "fn=main\n"
                                        "\n"
                                        "summary: 20\n"
                                        "1 13\n"
                                        "cfn=render\n"
                                        "calls=1 0 0\n"
                                        "2 7\n"
                                        "\n";

// One record of a profile: a call with its own cost and the number of the
// records just before it that it calls.
inline QByteArray record(const QByteArray &file, const QByteArray &function, int line, quint64 cost,
                         const QList<QByteArray> &callees = {})
{
    QByteArray text = "fl=" + file + "\nfn=" + function + '\n' + QByteArray::number(line) + ' '
                      + QByteArray::number(cost) + '\n';
    for (const QByteArray &callee : callees)
        text += "cfn=" + callee + "\ncalls=1 0 0\n1 1\n";
    return text + '\n';
}

inline QByteArray profileHeader()
{
    return "version: 1\ncreator: test\ncmd: /x.php\npart: 1\n\nevents: Time\n\n";
}

// A chain `depth` calls deep: "f" calls "f" ... calls "leaf".
inline QByteArray deepChain(int depth)
{
    QByteArray text = profileHeader();
    text.reserve(depth * 48 + 256);
    text += record("/leaf.php", "leaf", 2, 1);
    QByteArray callee = "leaf";
    for (int i = 0; i < depth - 1; ++i) {
        text += "fl=/f.php\nfn=f\n1 1\ncfn=" + callee + "\ncalls=1 0 0\n1 1\n\n";
        callee = "f";
    }
    return text;
}

inline QByteArray gzipped(const QByteArray &data)
{
    z_stream stream = {};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(int(stream.total_out));
    deflateEnd(&stream);
    return out;
}

inline QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &contents)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        return {};
    return path;
}

// Answers every alert at once and remembers what it said.
class RecordingAlertPresenter final : public AlertPresenter
{
public:
    explicit RecordingAlertPresenter(QList<QPair<QString, QString>> &alerts) : m_alerts(alerts) {}
    void showWarning(QWidget *, const QString &message, const QString &informativeText) override
    {
        m_alerts.append({message, informativeText});
    }

private:
    QList<QPair<QString, QString>> &m_alerts;
};

inline KFUserDefaultsController &defaults()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

// Removes what a test stored, bringing back the registered defaults.
inline void restoreDefaultSettings()
{
    for (const QString &key : {VTCMeasurement, VTCDisplayDash, VTCCallStackShowsInternalPhpFunctions,
                               VTCSummaryShowsInternalPhpFunctions})
        defaults().removeObjectForKey(key);
}
