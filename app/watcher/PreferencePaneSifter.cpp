#include "PreferencePaneSifter.h"

#include "SettingsKeys.h"
#include "ui_PreferencesSifter.h"

#include <KFUserDefaultsController.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>

namespace {

QString chooseDirectory(QWidget *parent)
{
    return QFileDialog::getExistingDirectory(
        parent, QStringLiteral("Choose the directory to watch"), QString(), QFileDialog::ShowDirsOnly);
}

} // namespace

PreferencePaneSifter::PreferencePaneSifter()
    : directoryChooser(chooseDirectory)
{
    registerNib(QStringLiteral("PreferencesSifter"), [] {
        auto view = std::make_unique<QWidget>();
        Ui::PreferencesSifter().setupUi(view.get());
        return view;
    });
    setLabel(QStringLiteral("Sifter"));
    setNibName(QStringLiteral("PreferencesSifter"));
}

void PreferencePaneSifter::setDirectoryChooser(DirectoryChooser chooser)
{
    directoryChooser = std::move(chooser);
}

void PreferencePaneSifter::awakeFromNib()
{
    fileMatchCheckbox = outlet<QCheckBox>("fileMatchCheckbox");
    fileMatchEdit = outlet<QLineEdit>("fileMatchEdit");
    invalidPatternLabel = outlet<QLabel>("invalidPatternLabel");
    maxFilesCheckbox = outlet<QCheckBox>("maxFilesCheckbox");
    maxFilesOpenEdit = outlet<QSpinBox>("maxFilesOpenEdit");
    whenReachedDropDown = outlet<QComboBox>("whenReachedDropDown");
    // The mark comes and goes without moving the controls around it.
    QSizePolicy markPolicy = invalidPatternLabel->sizePolicy();
    markPolicy.setRetainSizeWhenHidden(true);
    invalidPatternLabel->setSizePolicy(markPolicy);

    bind(outlet<QLineEdit>("monitorDirectoryField"), VTCSifterMonitorDirectory);
    bind(fileMatchCheckbox, VTCSifterRegexUseCustom);
    bind(fileMatchEdit, VTCSifterRegex);
    bind(maxFilesCheckbox, VTCSifterMaxLimitOpen);
    bind(maxFilesOpenEdit, VTCSifterMaxFiles);
    bind(whenReachedDropDown, VTCSifterMaxAction);
    bind(outlet<QCheckBox>("sifterStartOnLaunchCheckbox"), VTCSifterStartOnLaunch);

    connect(fileMatchCheckbox, &QCheckBox::clicked, this, &PreferencePaneSifter::fileMatchChecked);
    connect(maxFilesCheckbox, &QCheckBox::clicked, this, &PreferencePaneSifter::maxFilesOpenChecked);
    connect(fileMatchEdit, &QLineEdit::textChanged, this, &PreferencePaneSifter::markPattern);
    connect(outlet<QPushButton>("directorySelectButton"), &QPushButton::clicked, this,
        &PreferencePaneSifter::directorySelectClicked);
}

void PreferencePaneSifter::viewDidLoad()
{
    fileMatchChecked();
    maxFilesOpenChecked();
}

void PreferencePaneSifter::boundValuesDidChange()
{
    viewDidLoad();
}

void PreferencePaneSifter::fileMatchChecked()
{
    if (!fileMatchCheckbox)
        return;
    fileMatchEdit->setEnabled(fileMatchCheckbox->checkState() != Qt::Unchecked);
    markPattern();
}

void PreferencePaneSifter::maxFilesOpenChecked()
{
    if (!maxFilesCheckbox)
        return;
    const bool limited = maxFilesCheckbox->checkState() != Qt::Unchecked;
    maxFilesOpenEdit->setEnabled(limited);
    whenReachedDropDown->setEnabled(limited);
}

void PreferencePaneSifter::markPattern()
{
    // File names must match the whole pattern, so it is checked as the
    // watcher uses it: anchored at both ends.
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(fileMatchEdit->text()));
    const bool invalid = fileMatchEdit->isEnabled() && !pattern.isValid();
    invalidPatternLabel->setVisible(invalid);
    invalidPatternLabel->setToolTip(invalid ? pattern.errorString() : QString());
}

void PreferencePaneSifter::directorySelectClicked()
{
    const QString directory = directoryChooser ? directoryChooser(loadedView()) : QString();
    if (directory.isEmpty())
        return;
    KFUserDefaultsController::sharedUserDefaultsController().setObjectForKey(directory, VTCSifterMonitorDirectory);
}
