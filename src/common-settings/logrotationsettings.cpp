/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "logrotationsettings.h"

#include "ui_logrotationsettings.h"

#include "configaccessservice.h"
#include "logrotateparser.h"
#include "rotationwriter.h"
#include "systempaths.h"
#include "treeitem.h"

#include <KFormat>
#include <KLocalizedString>

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QStorageInfo>

#include <cmath>

namespace
{
constexpr int MaxLogs = 99;
constexpr int MaxSize = 4096;
const QStringList Periods{QStringLiteral("daily"), QStringLiteral("weekly"), QStringLiteral("monthly"), QStringLiteral("yearly")};
}

LogRotationSettings::LogRotationSettings(QWidget *parent)
    : LogRotationSettings(new ConfigAccessService(nullptr), parent)
{
}

LogRotationSettings::LogRotationSettings(ConfigAccessService *configAccessService, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::LogRotationSettings)
    , m_configAccessService(configAccessService)
{
    m_configAccessService->setParent(this);
    ui->setupUi(this);

    ui->numberCheckBox->setText(i18n("Number of log files"));
    ui->logSizeCheckBox->setText(i18n("Maximum log size, Mb"));
    ui->periodCheckBox->setText(i18n("Rotation period"));
    ui->logSizeTitleLabel->setText(i18n("Log size:"));
    ui->logSizeTitleLabel->setToolTip(i18n("Size of the current main log"));
    ui->diskSpaceTitleLabel->setText(i18n("Disk space (total/free):"));
    ui->statisticsTitleLabel->setText(i18n("Current statistics"));
    ui->settingsTitleLabel->setText(i18n("Rotation settings"));
    ui->labelTerms->setText(i18n("Rotation terms are checked once a day, so log size or lifetime may exceed established parameters sometimes."));
    ui->numberOfLogs->setRange(0, MaxLogs);
    ui->logSize->setRange(1, MaxSize);

    periodNames = {
        {QStringLiteral("daily"), i18n("day")},
        {QStringLiteral("weekly"), i18n("week")},
        {QStringLiteral("monthly"), i18n("month")},
        {QStringLiteral("yearly"), i18n("year")},
    };
    for (const QString &period : Periods) {
        ui->periodComboBox->addItem(periodNames.at(period), period);
    }

    disableInterface();
    connect(ui->numberCheckBox, &QCheckBox::stateChanged, this, &LogRotationSettings::checkInterface);
    connect(ui->logSizeCheckBox, &QCheckBox::stateChanged, this, &LogRotationSettings::checkInterface);
    connect(ui->periodCheckBox, &QCheckBox::stateChanged, this, &LogRotationSettings::checkInterface);
    getLogStatistics();
}

LogRotationSettings::~LogRotationSettings()
{
    delete m_tree;
    delete ui;
}

QString LogRotationSettings::configFile() const
{
    return SystemPaths::resolve(SystemPaths::LogrotateFile);
}

void LogRotationSettings::disableInterface()
{
    ui->numberCheckBox->setChecked(false);
    ui->logSizeCheckBox->setChecked(false);
    ui->periodCheckBox->setChecked(false);
    ui->numberOfLogs->setEnabled(false);
    ui->logSize->setEnabled(false);
    ui->periodComboBox->setEnabled(false);
}

void LogRotationSettings::checkInterface()
{
    ui->numberOfLogs->setEnabled(ui->numberCheckBox->isChecked());
    ui->logSize->setEnabled(ui->logSizeCheckBox->isChecked());
    ui->periodComboBox->setEnabled(ui->periodCheckBox->isChecked());
}

void LogRotationSettings::on_logSizeCheckBox_stateChanged()
{
    if (ui->logSizeCheckBox->isChecked()) {
        ui->periodCheckBox->setChecked(false);
    }
}

void LogRotationSettings::on_periodCheckBox_stateChanged()
{
    if (ui->periodCheckBox->isChecked()) {
        ui->logSizeCheckBox->setChecked(false);
    }
}

std::optional<int> LogRotationSettings::sizeInMegabytes(const QString &argument)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)([kKMG]?)$"));
    const QRegularExpressionMatch match = pattern.match(argument.trimmed());
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    bool ok = false;
    const double number = match.captured(1).toDouble(&ok);
    if (!ok) {
        return std::nullopt;
    }
    const QChar unit = match.captured(2).isEmpty() ? QChar() : match.captured(2).at(0).toLower();
    const double mebibyte = 1024.0 * 1024.0;
    const double bytes = unit == QLatin1Char('k') ? number * 1024.0
        : unit == QLatin1Char('m')                ? number * mebibyte
        : unit == QLatin1Char('g')                ? number * mebibyte * 1024.0
                                                  : number;
    return static_cast<int>(std::clamp(std::ceil(bytes / mebibyte), 1.0, double(MaxSize)));
}

void LogRotationSettings::loadConfig()
{
    disableInterface();
    delete m_tree;
    m_tree = nullptr;
    m_sourceLines.clear();
    m_loadedRotate = m_loadedSize = -1;
    m_loadedRotateText.clear();
    m_loadedSizeText.clear();

    LogRotateParser parser(configFile());
    m_tree = parser.parse();
    m_sourceLines = parser.sourceLines();
    ui->_settingsPanel->setEnabled(m_tree != nullptr);
    ui->_settingsPanel->setToolTip(parser.errorString());
    if (!m_tree || m_tree->childCount() == 0) {
        return;
    }
    const TreeItem *block = m_tree->child(0);
    if (const TreeItem *rotate = block->findChildTopLevel(QStringLiteral("rotate"))) {
        m_loadedRotateText = rotate->data(1).toString();
        m_loadedRotate = static_cast<int>(std::min(m_loadedRotateText.toUInt(), uint(MaxLogs)));
        ui->numberCheckBox->setChecked(true);
        ui->numberOfLogs->setValue(m_loadedRotate);
    }
    if (const TreeItem *size = block->findChildTopLevel(QStringLiteral("size"))) {
        m_loadedSizeText = size->data(1).toString();
        m_loadedSize = sizeInMegabytes(m_loadedSizeText).value_or(1);
        ui->logSizeCheckBox->setChecked(true);
        ui->logSize->setValue(m_loadedSize);
    }
    // Of several periods logrotate follows the last one.
    QString period;
    for (int row = 0; row < block->childCount(); ++row) {
        if (Periods.contains(block->child(row)->data(0).toString())) {
            period = block->child(row)->data(0).toString();
        }
    }
    if (!period.isEmpty()) {
        ui->periodCheckBox->setChecked(true);
        ui->periodComboBox->setCurrentText(periodNames.at(period));
    }
    checkInterface();
}

bool LogRotationSettings::createConfig() const
{
    if (!m_tree || m_tree->childCount() != 1) {
        return false;
    }
    TreeItem *block = m_tree->child(0);
    const auto deleteFirst = [block](const QStringList &keywords) {
        for (int row = 0; row < block->childCount(); ++row) {
            if (keywords.contains(block->child(row)->data(0).toString())) {
                block->deleteChild(row);
                return;
            }
        }
    };
    deleteFirst({QStringLiteral("rotate")});
    deleteFirst({QStringLiteral("size")});
    // Every period: the one shown is the last of them.
    for (int row = block->childCount() - 1; row >= 0; --row) {
        if (Periods.contains(block->child(row)->data(0).toString())) {
            block->deleteChild(row);
        }
    }
    // An hourly rotation is not shown, but gives way to a size or a period
    // set here: logrotate follows the last of them in the block.
    if (ui->periodCheckBox->isChecked() || ui->logSizeCheckBox->isChecked()) {
        deleteFirst({QStringLiteral("hourly")});
    }

    if (ui->periodCheckBox->isChecked()) {
        block->appendChild(new TreeItem({ui->periodComboBox->currentData()}, block), true);
    }
    if (ui->logSizeCheckBox->isChecked()) {
        const int size = ui->logSize->value();
        const QString text = size == m_loadedSize ? m_loadedSizeText : QString::number(size) + QLatin1Char('M');
        block->appendChild(new TreeItem({QStringLiteral("size"), text}, block), true);
    }
    if (ui->numberCheckBox->isChecked()) {
        const int number = ui->numberOfLogs->value();
        const QString text = number == m_loadedRotate ? m_loadedRotateText : QString::number(number);
        block->appendChild(new TreeItem({QStringLiteral("rotate"), text}, block), true);
    }
    return true;
}

QList<PlannedFile> LogRotationSettings::plannedFiles()
{
    if (!createConfig()) {
        return {};
    }
    RotationWriter writer(*m_configAccessService, configFile());
    writer.setSourceLines(m_sourceLines);
    const QStringList lines = writer.getConfig(m_tree);
    if (lines == m_sourceLines) {
        return {};
    }
    return {{configFile(), ConfigAccessService::linesToBytes(lines)}};
}

QStringList LogRotationSettings::takeUncheckedFiles()
{
    return m_configAccessService->takeUncheckedFiles();
}

std::expected<void, QString> LogRotationSettings::saveConfig()
{
    if (!createConfig()) {
        return {};
    }
    RotationWriter writer(*m_configAccessService, configFile());
    writer.setSourceLines(m_sourceLines);
    if (writer.getConfig(m_tree) == m_sourceLines) {
        return {};
    }
    if (!writer.writeConfig(m_tree)) {
        return std::unexpected(m_configAccessService->errorString());
    }
    loadConfig();
    return {};
}

QString LogRotationSettings::formatSize(double bytes, const QLocale &locale)
{
    // The locale's digits and separators, and the units in its language.
    return KFormat(locale).formatByteSize(bytes, 2);
}

void LogRotationSettings::getLogStatistics()
{
    const QFileInfo log(SystemPaths::resolve(SystemPaths::MainEventLog));
    const QStorageInfo volume(log.absolutePath());
    if (!log.exists() || !volume.isValid() || volume.bytesTotal() <= 0) {
        ui->logSizeLabel->setText(i18n("unknown"));
        ui->diskSpaceLabel->setText(i18n("unknown"));
        ui->diskUsageBar->setValue(0);
        ui->diskUsageBar->setText(QString());
        ui->diskUsageBar->hide();
        return;
    }
    const QLocale locale;
    ui->logSizeLabel->setText(formatSize(log.size(), locale));
    ui->diskSpaceLabel->setText(i18nc("@info total / free", "%1 / %2", formatSize(volume.bytesTotal(), locale), formatSize(volume.bytesAvailable(), locale)));
    const double used = double(volume.bytesTotal() - volume.bytesFree()) / double(volume.bytesTotal());
    const int percent = static_cast<int>(std::lround(std::clamp(used, 0.0, 1.0) * 100.0));
    ui->diskUsageBar->setValue(percent);
    ui->diskUsageBar->setText(i18nc("@info share of the volume in use", "%1% used", percent));
    ui->diskUsageBar->show();
}
