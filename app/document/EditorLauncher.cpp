#include "EditorLauncher.h"

#include "AlertPresenter.h"
#include "EditorCommand.h"
#include "PathMapping.h"
#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("EditorLauncher", text);
}

} // namespace

bool EditorLauncher::open(QWidget *parent, const SourceLocation &location)
{
    const QString message = tr("The file \u201c%1\u201d could not be opened in an editor.").arg(location.path);
    if (location.path.isEmpty() || location.path == QLatin1String("php:internal")) {
        m_alerts.showWarning(parent, message, tr("Functions built into PHP have no source file."));
        return false;
    }
    const KFUserDefaultsController &settings = KFUserDefaultsController::sharedUserDefaultsController();
    const QString local = PathMapping(settings.objectForKey(VTCPathMappings).toStringList()).localPath(location.path);
    if (!QFileInfo(local).isFile()) {
        m_alerts.showWarning(parent, message,
            tr("There is no file at \u201c%1\u201d. A path mapping in the Paths preferences tells where the "
               "profile's files are on this computer.")
                .arg(local));
        return false;
    }
    EditorCommand editor(settings.objectForKey(VTCEditorCommand).toString());
    if (editor.isSet()) {
        if (editor.start(local, location.line))
            return true;
        m_alerts.showWarning(parent, message, editor.errorString());
        return false;
    }
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(local)))
        return true;
    m_alerts.showWarning(parent, message,
        tr("No program opens it. Set an editor command in the Paths preferences, such as \u201ccode -g %f:%l\u201d."));
    return false;
}
