#include "DetailsPane.h"

#include "CostFormat.h"
#include "DetailField.h"
#include "Formatter.h"
#include "FunctionModel.h"
#include "GraphLocation.h"
#include "MergedCallTree.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"
#include "SettingsKeys.h"
#include "SharedText.h"
#include "SourceFileModel.h"

#include <QFormLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

// A memory figure with its share of `reference`, e.g. "1.50 MiB (25.00%)";
// only a reference above 0 gives a share that means something.
QString memoryWithShare(Cost cost, Cost reference)
{
    const QString text = CostFormat::memoryCostString(cost.toSigned());
    if (reference.toSigned() <= 0)
        return text;
    return text + QString::asprintf(" (%.2f%%)", double(cost.toSigned()) * 100.0 / double(reference.toSigned()));
}

void setFieldText(DetailField *field, const QString &text)
{
    field->setWholeText(text);
}

} // namespace

DetailsPane::DetailsPane(QWidget *parent)
    : QWidget(parent)
    , m_formatter(Formatter::standardFormatter())
    , m_form(new QFormLayout)
    , m_function(addField(QStringLiteral("functionNameTextField"), tr("Function:"), tr("Function")))
    , m_file(addField(QStringLiteral("fileNameTextField"), tr("File:"), tr("File")))
    , m_line(addField(QStringLiteral("lineNumberTextField"), tr("Line:"), tr("Line")))
    , m_selfTime(addField(QStringLiteral("selfTimeTextField"), tr("Self time:"), tr("Self time")))
    , m_inclusiveTime(addField(QStringLiteral("inclusiveTimeTextField"), tr("Inclusive time:"), tr("Inclusive time")))
    , m_selfMemory(addField(QStringLiteral("selfMemoryTextField"), tr("Self memory:"), tr("Self memory")))
    , m_inclusiveMemory(
          addField(QStringLiteral("inclusiveMemoryTextField"), tr("Inclusive memory:"), tr("Inclusive memory")))
    , m_profilerSummary(addField(
          QStringLiteral("profilerSummaryTextField"), tr("Profiler\u2019s summary:"), tr("Profiler\u2019s summary")))
    , m_calls(addField(QStringLiteral("callsTextField"), tr("Calls:"), tr("Calls")))
    , m_estimatedNotice(new QLabel(Profile::aggregatedNotice(), this))
{
    // The fields take the pane's width and wrap in it; a pane too low for
    // their lines scrolls.
    m_form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    auto *fields = new QWidget;
    auto *fieldsLayout = new QVBoxLayout(fields);
    fieldsLayout->setContentsMargins(0, 0, 0, 0);
    fieldsLayout->addLayout(m_form);
    fieldsLayout->addStretch(1);
    auto *scroller = new QScrollArea(this);
    scroller->setObjectName(QStringLiteral("detailScrollArea"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller->setWidgetResizable(true);
    scroller->setWidget(fields);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_estimatedNotice->setObjectName(QStringLiteral("estimatedPathsNotice"));
    m_estimatedNotice->setTextFormat(Qt::PlainText);
    m_estimatedNotice->setWordWrap(true);
    m_estimatedNotice->hide();
    layout->addWidget(m_estimatedNotice);
    layout->addWidget(scroller);
    clearFunctionMetadataDisplay();
    addObserverSharedUserDefaults(VTCMeasurement);
    addObserverSharedUserDefaults(VTCDisplayDash);
}

DetailsPane::~DetailsPane()
{
    removeObserverSharedUserDefaults(VTCMeasurement);
    removeObserverSharedUserDefaults(VTCDisplayDash);
}

DetailField *DetailsPane::addField(const QString &name, const QString &label, const QString &accessibleName)
{
    auto *title = new QLabel(label, this);
    title->setTextFormat(Qt::PlainText);
    auto *field = new DetailField(this);
    field->setObjectName(name);
    field->setAccessibleName(accessibleName);
    title->setBuddy(field);
    m_form->addRow(title, field);
    return field;
}

void DetailsPane::showProfile(const Profile &profile)
{
    m_profile = &profile;
    m_memoryEvent = profile.memoryEvent();
    // Its paths and their figures are estimated: the details say so.
    m_estimatedNotice->setVisible(profile.isAggregated());
    for (DetailField *field : { m_selfMemory, m_inclusiveMemory })
        m_form->setRowVisible(field, m_memoryEvent >= 0);
    // A main event that is no time is named (instructions, say).
    const QString event = profile.costUnit().isCount() ? profile.events()[profile.timeEvent()].name() : QString();
    const auto relabel = [this](DetailField *field, const QString &name) {
        static_cast<QLabel *>(m_form->labelForField(field))->setText(tr("%1:").arg(name));
        field->setAccessibleName(name);
    };
    relabel(m_selfTime, event.isEmpty() ? tr("Self time") : tr("Self %1").arg(event));
    relabel(m_inclusiveTime, event.isEmpty() ? tr("Inclusive time") : tr("Inclusive %1").arg(event));
    clearFunctionMetadataDisplay();
}

void DetailsPane::displayItem(const ProfiledFunctionCall &call)
{
    m_call = &call;
    m_paths = nullptr;
    m_estimatedPath = MergedCallTree::none;
    m_form->setRowVisible(m_calls, false);
    setFieldText(m_function, call.function().name());
    setFieldText(m_file, call.source() ? call.source()->path() : dashString);
    setFieldText(m_line, call.sourceLine() == 0 ? dashString : QString::number(call.sourceLine()));
    const CostUnit &unit = m_profile->costUnit();
    const quint64 reference = call.parent() ? call.parent()->inclusiveTime() : call.inclusiveTime();
    setFieldText(m_selfTime, m_formatter.getCostStringWithPercentage(unit, call.selfTime(), reference));
    setFieldText(m_inclusiveTime, m_formatter.getCostStringWithPercentage(unit, call.inclusiveTime(), reference));
    if (m_memoryEvent >= 0) {
        const Cost memoryReference = (call.parent() ? *call.parent() : call).inclusiveCost(m_memoryEvent);
        setFieldText(m_selfMemory, memoryWithShare(call.selfCost(m_memoryEvent), memoryReference));
        setFieldText(m_inclusiveMemory, memoryWithShare(call.inclusiveCost(m_memoryEvent), memoryReference));
    }
    // The root's figures sit beside the profiler's own summary of the run.
    const bool showsSummary = !call.parent() && !m_profile->summaryCosts().isEmpty();
    m_form->setRowVisible(m_profilerSummary, showsSummary);
    setFieldText(m_profilerSummary, showsSummary ? m_formatter.getSummaryString(*m_profile) : dashString);
}

void DetailsPane::displayPath(const MergedCallTree &paths, quint32 path, const ProfiledFunctionCall &firstCall)
{
    displayItem(firstCall);
    m_paths = &paths;
    m_path = path;
    showPathFigures(paths, path);
}

void DetailsPane::displayEstimatedPath(quint32 path)
{
    const MergedCallTree &paths = m_profile->estimatedCallTree();
    clearFunctionMetadataDisplay();
    m_estimatedPath = path;
    setFieldText(m_function, m_profile->function(paths.function(path)).name());
    const GraphLocation location = GraphLocation::ofPath(*m_profile, path);
    setFieldText(m_file, location.source ? location.source->path() : dashString);
    setFieldText(m_line, location.line == 0 ? dashString : QString::number(location.line));
    const bool showsSummary = paths.parent(path) == MergedCallTree::none && !m_profile->summaryCosts().isEmpty();
    m_form->setRowVisible(m_profilerSummary, showsSummary);
    if (showsSummary)
        setFieldText(m_profilerSummary, m_formatter.getSummaryString(*m_profile));
    showPathFigures(paths, path);
}

void DetailsPane::showPathFigures(const MergedCallTree &paths, quint32 path)
{
    const quint32 reference = paths.parent(path) == MergedCallTree::none ? path : paths.parent(path);
    const int time = m_profile->timeEvent();
    const CostUnit &unit = m_profile->costUnit();
    const auto perCall
        = [this](const QString &total, const QString &average) { return tr("%1, %2 per call").arg(total, average); };
    const auto timeText = [&](Cost total, Cost average) {
        return perCall(
            m_formatter.getCostStringWithPercentage(unit, total.bits(), paths.inclusiveBits(time, reference)),
            m_formatter.getCostString(unit, average.bits()));
    };
    setFieldText(m_selfTime, timeText(paths.selfCost(time, path), paths.averageSelfCost(time, path)));
    setFieldText(m_inclusiveTime, timeText(paths.inclusiveCost(time, path), paths.averageInclusiveCost(time, path)));
    if (m_memoryEvent >= 0) {
        const Cost memoryReference = paths.inclusiveCost(m_memoryEvent, reference);
        const auto memoryText = [&](Cost total, Cost average) {
            return perCall(memoryWithShare(total, memoryReference), CostFormat::memoryCostString(average.toSigned()));
        };
        setFieldText(
            m_selfMemory, memoryText(paths.selfCost(m_memoryEvent, path), paths.averageSelfCost(m_memoryEvent, path)));
        setFieldText(m_inclusiveMemory,
            memoryText(paths.inclusiveCost(m_memoryEvent, path), paths.averageInclusiveCost(m_memoryEvent, path)));
    }
    m_form->setRowVisible(m_calls, true);
    setFieldText(m_calls, QStringLiteral("\u00d7%1").arg(paths.calls(path)));
}

void DetailsPane::clearFunctionMetadataDisplay()
{
    m_call = nullptr;
    m_paths = nullptr;
    m_estimatedPath = MergedCallTree::none;
    m_form->setRowVisible(m_calls, false);
    for (DetailField *field :
        { m_function, m_file, m_line, m_selfTime, m_inclusiveTime, m_selfMemory, m_inclusiveMemory, m_profilerSummary })
        setFieldText(field, dashString);
    m_form->setRowVisible(m_profilerSummary, false);
}

void DetailsPane::observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &, void *)
{
    // The times follow the new unit and dash rule; with no call the fields
    // keep their dashes.
    const bool timesChanged
        = keyPath == QLatin1String("values.") + VTCMeasurement || keyPath == QLatin1String("values.") + VTCDisplayDash;
    if (timesChanged && m_estimatedPath != MergedCallTree::none)
        displayEstimatedPath(m_estimatedPath);
    else if (timesChanged && m_paths)
        displayPath(*m_paths, m_path, *m_call);
    else if (timesChanged && m_call)
        displayItem(*m_call);
}
