#pragma once

#include "AlertPresenter.h"
#include "DocumentController.h"
#include "SettingsKeys.h"
#include "SifterFileEntry.h"
#include "SifterStatusController.h"

#include <KFUserDefaultsController.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

constexpr int timeout = 15000;

// A small profile: main -> render -> php::strlen.
inline const QByteArray smallProfile = "version: 1\ncreator: profiler\ncmd: /var/www/index.php\npart: 1\n\n"
                                       "events: Time\n\n"
                                       "fl=php:internal\nfn=php::strlen\n3 2\n\n"
                                       "fl=/var/www/index.php\nfn=render\n10 5\ncfn=php::strlen\ncalls=1 0 0\n12 2\n\n"
                                       "fl=/var/www/index.php\nfn=main\n\nsummary: 20\n1 13\n"
                                       "cfn=render\ncalls=1 0 0\n2 7\n\n";

// Answers every alert at once and remembers its message; `during` runs
// inside the alert, as a modal alert's own event loop lets other work run.
struct RecordingAlertPresenter final : AlertPresenter
{
    void showWarning(QWidget *, const QString &message, const QString &informativeText) override
    {
        messages.append(message + informativeText);
        if (during)
            during();
    }
    QStringList messages;
    std::function<void()> during;
};

inline KFUserDefaultsController &defaults()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

inline bool writeFile(const QString &path, const QByteArray &contents, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    return file.open(mode) && file.write(contents) == contents.size();
}

// A registry that records alerts, a fresh watched directory and the
// watcher's settings at their defaults.
struct SifterFixture
{
    SifterFixture()
    {
        registerSettingsDefaults();
        for (const QString &key : { VTCSifterFilter, VTCSifterRegex, VTCSifterRegexUseCustom })
            defaults().removeObjectForKey(key);
        defaults().setObjectForKey(directory.path(), VTCSifterMonitorDirectory);
        auto presenter = std::make_unique<RecordingAlertPresenter>();
        alerts = presenter.get();
        registry.setAlertPresenter(std::move(presenter));
    }

    QString path(const QString &name) const { return directory.filePath(name); }
    bool write(const QString &name, const QByteArray &contents = smallProfile) const
    {
        return writeFile(path(name), contents);
    }
    void makeController() { controller = std::make_unique<SifterStatusController>(registry); }
    SifterFileEntry *entry(const QString &name) const { return controller->entryForName(name); }
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

    QTemporaryDir directory;
    DocumentController registry;
    RecordingAlertPresenter *alerts = nullptr; // owned by the registry
    std::unique_ptr<SifterStatusController> controller;
    int markers = 0;
};
