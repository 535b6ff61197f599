#include "PreferencePaneSifter.h"

#include "SettingsKeys.h"
#include "SifterDirectoryChooser.h"
#include "SifterPattern.h"
#include "ui_PreferencesSifter.h"

#include <KFUserDefaultsController.h>

PreferencePaneSifter::PreferencePaneSifter()
    : m_directoryChooser(chooseSifterDirectory)
{
    setLabel(QStringLiteral("Sifter"));
    setNibName(QStringLiteral("PreferencesSifter"));
}

PreferencePaneSifter::~PreferencePaneSifter() = default;

void PreferencePaneSifter::setDirectoryChooser(DirectoryChooser chooser)
{
    m_directoryChooser = std::move(chooser);
}

std::unique_ptr<QWidget> PreferencePaneSifter::loadNib()
{
    auto view = std::make_unique<QWidget>();
    m_ui = std::make_unique<Ui::PreferencesSifter>();
    m_ui->setupUi(view.get());
    return view;
}

void PreferencePaneSifter::awakeFromNib()
{
    // The mark comes and goes without moving the controls around it.
    QSizePolicy markPolicy = m_ui->invalidPatternLabel->sizePolicy();
    markPolicy.setRetainSizeWhenHidden(true);
    m_ui->invalidPatternLabel->setSizePolicy(markPolicy);

    bind(m_ui->monitorDirectoryField, VTCSifterMonitorDirectory);
    bind(m_ui->fileMatchCheckbox, VTCSifterRegexUseCustom);
    bind(m_ui->fileMatchEdit, VTCSifterRegex);
    bind(m_ui->maxFilesCheckbox, VTCSifterMaxLimitOpen);
    bind(m_ui->maxFilesOpenEdit, VTCSifterMaxFiles);
    bind(m_ui->whenReachedDropDown, VTCSifterMaxAction);
    bind(m_ui->sifterStartOnLaunchCheckbox, VTCSifterStartOnLaunch);

    connect(m_ui->fileMatchCheckbox, &QCheckBox::clicked, this, &PreferencePaneSifter::fileMatchChecked);
    connect(m_ui->maxFilesCheckbox, &QCheckBox::clicked, this, &PreferencePaneSifter::maxFilesOpenChecked);
    connect(m_ui->fileMatchEdit, &QLineEdit::textChanged, this, &PreferencePaneSifter::markPattern);
    connect(m_ui->directorySelectButton, &QPushButton::clicked, this, &PreferencePaneSifter::directorySelectClicked);
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
    if (!m_ui)
        return;
    m_ui->fileMatchEdit->setEnabled(m_ui->fileMatchCheckbox->checkState() != Qt::Unchecked);
    markPattern();
}

void PreferencePaneSifter::maxFilesOpenChecked()
{
    if (!m_ui)
        return;
    const bool limited = m_ui->maxFilesCheckbox->checkState() != Qt::Unchecked;
    m_ui->maxFilesOpenEdit->setEnabled(limited);
    m_ui->whenReachedDropDown->setEnabled(limited);
}

void PreferencePaneSifter::markPattern()
{
    const SifterPattern pattern(m_ui->fileMatchEdit->text());
    const bool invalid = m_ui->fileMatchEdit->isEnabled() && !pattern.isValid();
    m_ui->invalidPatternLabel->setVisible(invalid);
    m_ui->invalidPatternLabel->setToolTip(invalid ? pattern.errorString() : QString());
}

void PreferencePaneSifter::directorySelectClicked()
{
    const QString directory = m_directoryChooser ? m_directoryChooser(loadedView()) : QString();
    if (directory.isEmpty())
        return;
    KFUserDefaultsController::sharedUserDefaultsController().setObjectForKey(directory, VTCSifterMonitorDirectory);
}
