#pragma once

#include "SettingsKeys.h"
#include "SifterDocuments.h"
#include "SifterFileEntry.h"
#include "SifterWatcher.h"
#include "TestDefaults.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace std::chrono_literals;

constexpr int timeout = 10000;

// What the profiler writes, to its last line.
inline const QByteArray smallProfile = "events: Time\n\nfl=/a.php\nfn=main\n1 5\n\nsummary: 5\n";

inline bool writeFile(const QString &path, const QByteArray &contents, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    return file.open(mode) && file.write(contents) == contents.size();
}

// Stands for the application's documents: a regular file that can be read
// opens (its contents are kept as they were then) unless its name is among
// `unreadable`. Opens end at once, or with `whileReading` set once the event
// loop has run it, as a real read lets other work run. A failure of an open
// asked to alert is noted in `errors`, as the user would be told.
class FakeDocuments final : public SifterDocuments
{
public:
    QSet<QByteArray> openFilePaths() const override
    {
        QSet<QByteArray> paths;
        for (const QString &path : contents.keys())
            paths.insert(QFile::encodeName(path));
        return paths;
    }
    void openDocument(const FileIdentity &file, bool alertOnFailure) override
    {
        if (!whileReading)
            return finishOpen(file, alertOnFailure);
        ++reading;
        QTimer::singleShot(0, this, [this, file, alertOnFailure] {
            whileReading();
            --reading;
            finishOpen(file, alertOnFailure);
        });
    }
    void reloadDocument(const FileIdentity &file) override
    {
        QFile reread(file.path());
        QVERIFY(contents.contains(file.path()) && reread.open(QIODevice::ReadOnly));
        contents.insert(file.path(), reread.readAll());
        reloaded.append(file.fileName());
    }
    void closeDocument(const FileIdentity &file) override { close(file.path()); }
    void close(const QString &path)
    {
        if (contents.remove(path))
            Q_EMIT documentsChanged();
    }
    void finishOpen(const FileIdentity &file, bool alertOnFailure = false)
    {
        const QString path = file.path();
        QFile opening(path);
        if (contents.contains(path)) {
            broughtForward.append(file.fileName());
        } else if (QFileInfo(path).isFile() && !unreadable.contains(file.fileName())
            && opening.open(QIODevice::ReadOnly)) {
            contents.insert(path, opening.readAll());
            opened.append(file.fileName());
            Q_EMIT documentsChanged();
        } else {
            if (alertOnFailure)
                errors.append("cannot open " + file.fileName());
            Q_EMIT openFinished(file, false, "cannot open " + file.fileName());
            return;
        }
        Q_EMIT openFinished(file, true, QString());
    }

    QStringList unreadable;
    QHash<QString, QByteArray> contents; // by path, of the open documents
    QStringList opened; // names, in the order they were opened
    QStringList broughtForward, reloaded, errors;
    std::function<void()> whileReading;
    int reading = 0; // opens not ended
};

// A fresh watched directory, the watcher's settings at their defaults but
// no open-file limit, and fake documents; the watcher's batches come
// `latency` after a change, its clock stands still until moved.
struct SifterFixture
{
    SifterFixture()
    {
        registerSettingsDefaults();
        for (const QString &key :
            { VTCSifterFilter, VTCSifterRegex, VTCSifterRegexUseCustom, VTCSifterMaxFiles, VTCSifterMaxAction })
            defaults().removeObjectForKey(key);
        defaults().setObjectForKey(false, VTCSifterMaxLimitOpen);
        defaults().setObjectForKey(directory.path(), VTCSifterMonitorDirectory);
    }

    QString path(const QString &name) const { return directory.filePath(name); }
    bool write(const QString &name, const QByteArray &contents = smallProfile) const
    {
        return writeFile(path(name), contents);
    }
    void makeWatcher()
    {
        watcher = std::make_unique<SifterWatcher>(documents, latency);
        watcher->setClock([this] { return now; });
    }
    SifterFileEntry *entry(const QString &name) const { return watcher->entryForName(name); }
    SifterEntryStatus status(const QString &name) const
    {
        return entry(name) ? entry(name)->status() : SifterEntryStatus(-1);
    }

    // Returns once two more listings have run: by then a new name seen
    // before the call has had its chance to settle and be opened.
    bool letListingsPass()
    {
        for (int i = 0; i < 2; ++i) {
            const QString marker = QStringLiteral("marker-%1").arg(++markers);
            if (!write(marker, "x") || !QTest::qWaitFor([&] { return entry(marker) != nullptr; }, timeout))
                return false;
        }
        return true;
    }

    static constexpr std::chrono::milliseconds latency { 20 };
    std::chrono::steady_clock::time_point now;
    QTemporaryDir directory;
    FakeDocuments documents;
    std::unique_ptr<SifterWatcher> watcher;
    int markers = 0;
};
