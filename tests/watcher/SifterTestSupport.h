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
// loop has run it, as a real read lets other work run. Errors are presented
// at once; `during` runs inside one, as a modal alert's event loop would.
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
    void openDocumentWithContentsOfURL(const QUrl &url) override
    {
        if (!whileReading)
            return finishOpen(url);
        QTimer::singleShot(0, this, [this, url] {
            whileReading();
            finishOpen(url);
        });
    }
    void presentError(const QString &error) override
    {
        errors.append(error);
        if (during)
            during();
    }
    void reloadDocumentForURL(const QUrl &url) override
    {
        QFile file(url.toLocalFile());
        QVERIFY(contents.contains(url.toLocalFile()) && file.open(QIODevice::ReadOnly));
        contents.insert(url.toLocalFile(), file.readAll());
        reloaded.append(url.fileName());
    }
    void closeDocumentForURL(const QUrl &url) override { close(url.toLocalFile()); }
    void close(const QString &path)
    {
        if (contents.remove(path))
            Q_EMIT documentsChanged();
    }
    void finishOpen(const QUrl &url)
    {
        const QString path = url.toLocalFile();
        QFile file(path);
        if (contents.contains(path)) {
            broughtForward.append(url.fileName());
        } else if (QFileInfo(path).isFile() && !unreadable.contains(url.fileName()) && file.open(QIODevice::ReadOnly)) {
            contents.insert(path, file.readAll());
            opened.append(url.fileName());
            Q_EMIT documentsChanged();
        } else {
            Q_EMIT openFinished(url, false, "cannot open " + url.fileName());
            return;
        }
        Q_EMIT openFinished(url, true, QString());
    }

    QStringList unreadable;
    QHash<QString, QByteArray> contents; // by path, of the open documents
    QStringList opened; // names, in the order they were opened
    QStringList broughtForward, reloaded, errors;
    std::function<void()> during, whileReading;
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
