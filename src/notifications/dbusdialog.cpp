/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "dbusdialog.h"
#include "ui_dbusdialog.h"

#include "checkboxparam.h"
#include "commonsettingsparser.h"
#include "commonwriter.h"
#include "eventtreeitem.h"
#include "guiutils.h"
#include "notificationids.h"
#include "notificationsdictionary.h"
#include "systempaths.h"

#include <KLocalizedString>

#include <algorithm>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace
{
const QString AllRecipients = QStringLiteral("@all");
// The distribution's administrators group.
const QString AdminGroup = QStringLiteral("tarn-admin");
const QString Popup = QStringLiteral("Popup");
const QString Sound = QStringLiteral("Sound");
const QString Logfile = QStringLiteral("Logfile");
const QString Execute = QStringLiteral("Execute");
const QString Tts = QStringLiteral("TTS");
const QString FileScheme = QStringLiteral("file://");
const QString RepetitionNode = QStringLiteral("notification_repetition");

// The argument of the destination's python block; every value is inserted
// in one pass, as a syslog-ng string body.
const QString PythonArgument = QStringLiteral(
    "\n"
    "\tclass(\"syslog_ng_mod_tarn.tarn_syslog_ng_destination.TarnSyslogNgDestination\")\n"
    "\toptions(\"destination_type\", \"dbus\"\n"
    "\t\t\"message_type\", \"%1\"\n"
    "\t\t\"event_user\", \"%2\"\n"
    "\t\t\"event_group\", \"%3\"\n"
    "\t\t\"event_id\", \"%4\"\n"
    "\t\t\"event_title\", \"%5\"\n"
    "\t\t\"event_icon\", \"\"\n"
    "\t\t\"event_params\", \"%6\"\n"
    "\t\t\"event_format\", \"%7\")\n"
    "\tpersist-name(\"%8\")\n"
    "\t");

bool isLineBreakOrControl(QChar c)
{
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

// `text` as the body of a syslog-ng double-quoted string that syslog-ng reads
// back as `text`: backslash and quote escaped, a backtick doubled (syslog-ng
// substitutes `name` even inside strings). A line break or another control
// character becomes a space: every value is one line of the file.
QString syslogString(const QString &text)
{
    QString body;
    body.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == QLatin1Char('\\')) {
            body += QLatin1String("\\\\");
        } else if (c == QLatin1Char('"')) {
            body += QLatin1String("\\\"");
        } else if (c == QLatin1Char('`')) {
            body += QLatin1String("``");
        } else if (isLineBreakOrControl(c)) {
            body += QLatin1Char(' ');
        } else {
            body += c;
        }
    }
    return body;
}

// A parameter the destination file can name: the names are joined with ","
// in one line of the file, so neither a comma nor a line break or another
// control character may be part of one.
bool isStorableParameter(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char(',')) && std::none_of(name.cbegin(), name.cend(), isLineBreakOrControl);
}

// The message id names the file, the filter and the destination and stands
// in the filter's regular expression: only letters, digits, "_" and "-",
// none of which is special there.
bool isUsableMessageId(const QString &messageId)
{
    static const QRegularExpression usable(QStringLiteral("^[A-Za-z0-9_-]+$"));
    return usable.match(messageId).hasMatch();
}

// The strings of an option line as syslog-ng reads them: double-quoted
// strings with backslash escapes ("``" is one backtick), single-quoted
// strings as they stand, bare words; commas and blanks separate them. A word
// right before "(" names an option (options, persist-name) and is no value.
// An escape syslog-ng would not turn into the character itself is kept as it
// stands, as the files of earlier versions wrote such text unescaped.
QStringList syslogTokens(const QString &line)
{
    QStringList tokens;
    const int size = line.size();
    int at = 0;
    while (at < size) {
        const QChar c = line.at(at);
        if (c == QLatin1Char('"')) {
            QString value;
            for (++at; at < size && line.at(at) != QLatin1Char('"'); ++at) {
                const QChar next = at + 1 < size ? line.at(at + 1) : QChar();
                if (line.at(at) == QLatin1Char('\\') && (next == QLatin1Char('\\') || next == QLatin1Char('"') || next == QLatin1Char('\''))) {
                    value += next;
                    ++at;
                } else if (line.at(at) == QLatin1Char('`') && next == QLatin1Char('`')) {
                    value += next;
                    ++at;
                } else {
                    value += line.at(at);
                }
            }
            ++at;
            tokens.append(value);
        } else if (c == QLatin1Char('\'')) {
            const int end = line.indexOf(QLatin1Char('\''), at + 1);
            const int stop = end < 0 ? size : end;
            tokens.append(line.mid(at + 1, stop - at - 1));
            at = stop + 1;
        } else if (c.isSpace() || c == QLatin1Char(',') || c == QLatin1Char('(') || c == QLatin1Char(')') || c == QLatin1Char(';')) {
            ++at;
        } else {
            const int start = at;
            while (at < size) {
                const QChar w = line.at(at);
                if (w.isSpace() || w == QLatin1Char(',') || w == QLatin1Char('(') || w == QLatin1Char(')') || w == QLatin1Char(';') || w == QLatin1Char('"')
                    || w == QLatin1Char('\'')) {
                    break;
                }
                ++at;
            }
            if (at < size && line.at(at) == QLatin1Char('(')) {
                continue;
            }
            tokens.append(line.mid(start, at - start));
        }
    }
    return tokens;
}

// A value for the rc file: no line break (it would end the entry) and no "["
// (a group or a key option such as [$e]); a backslash escaped for KConfig.
QString rcValue(const QString &text)
{
    QString value;
    value.reserve(text.size());
    for (const QChar c : text) {
        if (isLineBreakOrControl(c) || c == QLatin1Char('[')) {
            continue;
        }
        if (c == QLatin1Char('\\')) {
            value += QLatin1String("\\\\");
        } else {
            value += c;
        }
    }
    return value;
}

// The inverse of rcValue() as KConfig reads a value.
QString rcUnescape(const QString &text)
{
    QString value;
    value.reserve(text.size());
    for (int at = 0; at < text.size(); ++at) {
        const QChar c = text.at(at);
        const QChar next = at + 1 < text.size() ? text.at(at + 1) : QChar();
        if (c == QLatin1Char('\\') && (next == QLatin1Char('\\') || next == QLatin1Char('s') || next == QLatin1Char('t'))) {
            value += next == QLatin1Char('\\') ? QLatin1Char('\\') : next == QLatin1Char('s') ? QLatin1Char(' ') : QLatin1Char('\t');
            ++at;
        } else {
            value += c;
        }
    }
    return value;
}

// The key of an rc line ("Execute" for "Execute[$e]=..."), or the trimmed
// line when it holds no "=".
QString rcKey(const QString &line)
{
    const int equals = line.indexOf(QLatin1Char('='));
    QString key = (equals < 0 ? line : line.left(equals)).trimmed();
    const int options = key.indexOf(QLatin1String("[$"));
    if (options > 0) {
        key.truncate(options);
    }
    return key;
}

bool isRcKeyOfSection(const QString &key)
{
    return key == QLatin1String("Action") || key == Execute || key == Logfile || key == Sound || key == Tts;
}

bool isGroupHeader(const QString &line)
{
    return line.trimmed().startsWith(QLatin1Char('['));
}

// The rc file `text` with the section `header` replaced by `section` (lines
// with their line feeds), or with `section` appended after an empty line.
// The replaced section runs from its header to the next group header; lines
// in it with keys this dialog does not write stay, after the new lines.
QString replaceSection(const QString &text, const QString &header, const QStringList &section)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    // Every line is written back with its own line feed.
    if (text.isEmpty() || text.endsWith(QLatin1Char('\n'))) {
        lines.removeLast();
    }
    int start = 0;
    while (start < lines.size() && lines.at(start).trimmed() != header) {
        ++start;
    }
    QString result;
    for (int row = 0; row < start; ++row) {
        result += lines.at(row) + QLatin1Char('\n');
    }
    if (start == lines.size()) {
        return result + QLatin1Char('\n') + section.join(QString());
    }
    result += section.join(QString());
    int row = start + 1;
    for (; row < lines.size() && !isGroupHeader(lines.at(row)); ++row) {
        if (!isRcKeyOfSection(rcKey(lines.at(row)))) {
            result += lines.at(row) + QLatin1Char('\n');
        }
    }
    for (; row < lines.size(); ++row) {
        result += lines.at(row) + QLatin1Char('\n');
    }
    return result;
}

QString firstHome()
{
    return QStandardPaths::standardLocations(QStandardPaths::HomeLocation).value(0);
}
}

DBusDialog::DBusDialog(ConfigAccessService &configAccessService, LoggingService &loggingService, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DBusDialog)
    , m_player(new QMediaPlayer(this))
    , m_configAccessService(configAccessService)
    , m_loggingService(loggingService)
{
    // The mode travels in notificationOn, also through queued connections.
    qRegisterMetaType<NotificationsDialogType>("NotificationsDialogType");
    ui->setupUi(this);
    Gui::Utils::useStandardButtonTexts(ui->buttonBox);
    setObjectName(QStringLiteral("DBusDialog"));
    m_player->setVolume(50);

    ui->eventTitleLabel->setText(i18n("Event:"));
    ui->allUsersRadioButton->setText(i18n("Send notification to all users"));
    ui->selectGroupRadioButton->setText(i18n("Send notification only to administrators"));
    ui->userAndGroupRadioButton->setText(i18n("Send notification to the user and group specified in the event"));
    ui->titleLabel->setText(i18n("Title:"));
    ui->includeGroupBox->setTitle(i18n("Message content"));
    ui->notifyTypeGroupBox->setTitle(i18n("Notification methods"));
    ui->popupCheckBox->setText(i18n("Show a message in a popup"));
    ui->soundCheckBox->setText(i18n("Play a sound"));
    ui->logFileCheckBox->setText(i18n("Log to a file"));
    ui->executeCheckBox->setText(i18n("Run command"));
    ui->repeatGroupBox->setTitle(i18n("Repeat settings"));
    ui->repeatCheckBox->setText(i18n("Repeat every:"));
    updateIntervalSuffix(ui->intervalSpinBox->value());
    connect(ui->intervalSpinBox, qOverload<int>(&QSpinBox::valueChanged), this, &DBusDialog::updateIntervalSuffix);

    ui->popupCheckBox->setIcon(QIcon::fromTheme(QStringLiteral("wisp-notifications")));
    ui->soundCheckBox->setIcon(QIcon::fromTheme(QStringLiteral("media-playback-start")));
    ui->logFileCheckBox->setIcon(QIcon::fromTheme(QStringLiteral("text-x-generic")));
    ui->executeCheckBox->setIcon(QIcon::fromTheme(QStringLiteral("system-run")));
    ui->playButton->setIcon(QIcon::fromTheme(QStringLiteral("media-playback-start")));
    ui->soundDialogButton->setIcon(QIcon::fromTheme(QStringLiteral("document-open")));
    ui->logFileDialogButton->setIcon(QIcon::fromTheme(QStringLiteral("document-open")));
    ui->executeDialogButton->setIcon(QIcon::fromTheme(QStringLiteral("document-open")));
    ui->repeatCheckBox->setIcon(QIcon::fromTheme(QStringLiteral("chronometer")));

    ui->allUsersRadioButton->setChecked(true);
    ui->titleLineEdit->setFocus();

    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(this, &QDialog::accepted, this, &DBusDialog::generateConfig);
    connect(ui->playButton, &QToolButton::clicked, this, &DBusDialog::playButtonClicked);
    connect(ui->soundDialogButton, &QToolButton::clicked, this, &DBusDialog::soundDialogButtonClicked);
    connect(ui->logFileDialogButton, &QToolButton::clicked, this, &DBusDialog::logFileDialogButtonClicked);
    connect(ui->executeDialogButton, &QToolButton::clicked, this, &DBusDialog::executeDialogButtonClicked);
    connect(ui->repeatCheckBox, &QCheckBox::stateChanged, this, &DBusDialog::handleRepeatCheckBox);
    connect(ui->intervalSpinBox, qOverload<int>(&QSpinBox::valueChanged), this, &DBusDialog::setRepeatInterval);
}

DBusDialog::~DBusDialog()
{
    delete ui;
}

void DBusDialog::setDialogType(NotificationsDialogType type)
{
    m_type = type;
}

NotificationsDialogType DBusDialog::dialogType() const
{
    return m_type;
}

void DBusDialog::setParams(const QString &eventId, const QString &rcPath, const QStringList &lines)
{
    QString user;
    QString group;
    QString title;
    QStringList params;
    for (const QString &line : lines) {
        const QStringList tokens = syslogTokens(line);
        if (tokens.size() < 2) {
            continue;
        }
        const QString &option = tokens.first();
        if (option == QLatin1String("event_user")) {
            user = tokens.at(1);
        } else if (option == QLatin1String("event_group")) {
            group = tokens.at(1);
        } else if (option == QLatin1String("event_title")) {
            title = tokens.at(1);
        } else if (option == QLatin1String("event_params")) {
            // The names are joined with "," inside one string.
            params.clear();
            for (const QString &value : tokens.mid(1)) {
                params += value.split(QLatin1Char(','), Qt::SkipEmptyParts);
            }
        }
    }
    m_startTitle = title;
    m_startParams = params;
    const QString space = QStringLiteral(" ");
    if (user == space || group == space || (user == AllRecipients && group == AllRecipients)) {
        m_startMode = 0;
    } else if (user == AllRecipients && group == AdminGroup) {
        m_startMode = 1;
    } else {
        m_startMode = 2;
    }

    // A file that cannot be read, or has no section of the event, gives no
    // methods: none of the event opened before may stay.
    QByteArray content;
    QFile file(rcPath);
    if (file.open(QIODevice::ReadOnly)) {
        content = file.readAll();
        const int nul = content.indexOf('\0');
        if (nul >= 0) {
            content.truncate(nul);
        }
    }
    m_rcPath = rcPath;
    m_eventId = eventId;
    readRcSection(content);
}

// The start methods and paths from the section of the current notification
// event id; a file without that section gives none.
void DBusDialog::readRcSection(const QByteArray &content)
{
    m_startAction.clear();
    m_startExecute.clear();
    m_startLogFile.clear();
    m_startSound.clear();
    m_startTts.clear();
    const QString header = QStringLiteral("[Event/%1]").arg(m_eventId);
    const QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'));
    int row = 0;
    while (row < lines.size() && lines.at(row).trimmed() != header) {
        ++row;
    }
    for (++row; row < lines.size() && !isGroupHeader(lines.at(row)); ++row) {
        const QString &line = lines.at(row);
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals < 0) {
            continue;
        }
        const QString key = rcKey(line);
        const QString value = rcUnescape(line.mid(equals + 1).trimmed());
        if (key == QLatin1String("Action")) {
            m_startAction = value;
        } else if (key == Execute) {
            m_startExecute = value;
        } else if (key == Logfile) {
            m_startLogFile = value.startsWith(FileScheme) ? value.mid(FileScheme.size()) : value;
        } else if (key == Sound) {
            m_startSound = value;
        } else if (key == Tts) {
            m_startTts = value;
        }
    }
}

void DBusDialog::setEvent(EventTreeItem *item)
{
    if (const EventTreeItem *idNode = item ? item->findChildByNativeName(QStringLiteral("message_id")) : nullptr) {
        const QString eventId = NotificationIds::eventId(idNode->data(1).toString());
        // Loaded on first use, whoever opens the dialog first.
        NotificationsDictionary &dictionary = NotificationsDictionary::Instance();
        dictionary.init();
        if (!dictionary.contains(eventId)) {
            Gui::Utils::confirmAboutBrokenNotifyConfig(this, eventId);
            m_event = nullptr;
            return;
        }
        m_eventId = eventId;
        m_rcPath = NotificationIds::userRcPath(dictionary.applicationName(eventId));
    }

    QPushButton *okButton = ui->buttonBox->button(QDialogButtonBox::Ok);
    if (m_type == EnableNotifications) {
        m_startMode = 0;
        m_startTitle.clear();
        m_startParams.clear();
        m_startAction.clear();
        m_startExecute.clear();
        m_startLogFile.clear();
        m_startSound.clear();
        m_startTts.clear();
        okButton->setEnabled(true);
    } else {
        okButton->setEnabled(false);
    }
    disconnectOkButtonState();
    m_event = item;

    for (CheckBoxParam *box : m_checkBoxes) {
        disconnect(box, &QCheckBox::stateChanged, this, &DBusDialog::setOkButtonState);
        ui->cbLayout->removeWidget(box);
        box->hide();
        box->deleteLater();
    }
    m_checkBoxes.clear();
    m_params.clear();

    switch (m_startMode) {
    case 1:
        ui->selectGroupRadioButton->setChecked(true);
        break;
    case 2:
        ui->userAndGroupRadioButton->setChecked(true);
        break;
    default:
        ui->allUsersRadioButton->setChecked(true);
    }

    const QString displayText = item ? item->data(0).toString() : QString();
    ui->eventLabel->setText(displayText);
    // Without a title of its own the event's name is shown, and it is then
    // the title the dialog starts with.
    if (m_startTitle.isEmpty()) {
        m_startTitle = displayText;
    }
    ui->titleLineEdit->setText(m_startTitle);

    if (item) {
        for (const QString &groupName : {QStringLiteral("message-params"), QStringLiteral("extend-message-params")}) {
            const EventTreeItem *group = item->findChildByNativeName(groupName);
            for (int row = 0; group && row < group->childCount(); ++row) {
                const auto *param = static_cast<const EventTreeItem *>(group->child(row));
                m_params.emplace(param->data(0).toString().remove(QLatin1Char('&')), param->nativeName);
            }
        }
    }
    for (const auto &[text, nativeName] : m_params) {
        if (text.startsWith(QLatin1String("overlay")) || !isStorableParameter(nativeName)) {
            continue;
        }
        auto *box = new CheckBoxParam(text, nativeName, this);
        box->setChecked(m_startParams.contains(nativeName));
        m_checkBoxes.push_back(box);
        ui->cbLayout->addWidget(box);
        if (m_type == NotificationSettings) {
            connect(box, &QCheckBox::stateChanged, this, &DBusDialog::setOkButtonState);
        }
    }

    const QStringList methods = m_startAction.split(QLatin1Char('|'));
    ui->popupCheckBox->setChecked(m_type == EnableNotifications || methods.contains(Popup));
    ui->soundCheckBox->setChecked(methods.contains(Sound));
    ui->logFileCheckBox->setChecked(methods.contains(Logfile));
    ui->executeCheckBox->setChecked(methods.contains(Execute));
    enableSoundElements();
    enableLogFileElements();
    enableExecuteElements();
    connect(ui->soundCheckBox, &QCheckBox::stateChanged, this, &DBusDialog::enableSoundElements, Qt::UniqueConnection);
    connect(ui->logFileCheckBox, &QCheckBox::stateChanged, this, &DBusDialog::enableLogFileElements, Qt::UniqueConnection);
    connect(ui->executeCheckBox, &QCheckBox::stateChanged, this, &DBusDialog::enableExecuteElements, Qt::UniqueConnection);

    ui->soundEdit->setText(m_startSound);
    ui->logFileEdit->setText(m_startLogFile);
    ui->executeEdit->setText(m_startExecute);

    setupNotificationRepetition();

    if (m_type == NotificationSettings) {
        for (QRadioButton *button : {ui->allUsersRadioButton, ui->selectGroupRadioButton, ui->userAndGroupRadioButton}) {
            connect(button, &QRadioButton::toggled, this, &DBusDialog::setOkButtonState);
        }
        connect(ui->titleLineEdit, &QLineEdit::textEdited, this, &DBusDialog::setOkButtonState);
        for (QCheckBox *box : {ui->popupCheckBox, ui->soundCheckBox, ui->logFileCheckBox, ui->executeCheckBox, ui->repeatCheckBox}) {
            connect(box, &QCheckBox::stateChanged, this, &DBusDialog::setOkButtonState);
        }
        for (QLineEdit *edit : {ui->soundEdit, ui->logFileEdit, ui->executeEdit}) {
            connect(edit, &QLineEdit::textChanged, this, &DBusDialog::setOkButtonState);
        }
        connect(ui->intervalSpinBox, &QSpinBox::textChanged, this, &DBusDialog::setOkButtonState);
    }
}

// Every connection to setOkButtonState but those of the parameter boxes,
// including the repetition widgets: a later opening in the mode
// EnableNotifications must keep OK enabled.
void DBusDialog::disconnectOkButtonState()
{
    for (QRadioButton *button : {ui->allUsersRadioButton, ui->selectGroupRadioButton, ui->userAndGroupRadioButton}) {
        disconnect(button, &QRadioButton::toggled, this, &DBusDialog::setOkButtonState);
    }
    disconnect(ui->titleLineEdit, &QLineEdit::textEdited, this, &DBusDialog::setOkButtonState);
    for (QCheckBox *box : {ui->popupCheckBox, ui->soundCheckBox, ui->logFileCheckBox, ui->executeCheckBox, ui->repeatCheckBox}) {
        disconnect(box, &QCheckBox::stateChanged, this, &DBusDialog::setOkButtonState);
    }
    for (QLineEdit *edit : {ui->soundEdit, ui->logFileEdit, ui->executeEdit}) {
        disconnect(edit, &QLineEdit::textChanged, this, &DBusDialog::setOkButtonState);
    }
    disconnect(ui->intervalSpinBox, &QSpinBox::textChanged, this, &DBusDialog::setOkButtonState);
}

EventTreeItem *DBusDialog::currentEvent() const
{
    return m_event;
}

TreeItem *DBusDialog::repetitionValue(const QString &name) const
{
    const EventTreeItem *repetition = m_event ? m_event->findChildByNativeName(RepetitionNode) : nullptr;
    return repetition ? repetition->findChild(name, 0) : nullptr;
}

void DBusDialog::setupNotificationRepetition()
{
    const EventTreeItem *repetition = m_event ? m_event->findChildByNativeName(RepetitionNode) : nullptr;
    if (!repetition) {
        ui->repeatGroupBox->hide();
        return;
    }
    const TreeItem *enabled = repetition->findChild(QStringLiteral("enabled"), 0);
    const TreeItem *interval = repetition->findChild(QStringLiteral("interval"), 0);
    m_startRepeat = enabled && enabled->data(1).toInt() == 1;
    m_startInterval = interval ? interval->data(1).toInt() : 0;
    // Showing the tree's values must not write them back into the tree.
    const QSignalBlocker spinBlocker(ui->intervalSpinBox);
    const QSignalBlocker checkBlocker(ui->repeatCheckBox);
    ui->intervalSpinBox->setValue(m_startInterval);
    updateIntervalSuffix(m_startInterval);
    ui->repeatCheckBox->setChecked(m_startRepeat);
    ui->intervalSpinBox->setEnabled(m_startRepeat);
    ui->repeatGroupBox->show();
}

bool DBusDialog::checkStartParams() const
{
    const QRadioButton *startButton = m_startMode == 1 ? ui->selectGroupRadioButton : m_startMode == 2 ? ui->userAndGroupRadioButton : ui->allUsersRadioButton;
    if (!startButton->isChecked() || ui->titleLineEdit->text() != m_startTitle) {
        return false;
    }
    if (!ui->repeatGroupBox->isHidden() && (ui->repeatCheckBox->isChecked() != m_startRepeat || ui->intervalSpinBox->value() != m_startInterval)) {
        return false;
    }
    // Each box shows whether the file names its parameter, whatever the
    // order of the names there.
    for (const CheckBoxParam *box : m_checkBoxes) {
        if (box->isChecked() != m_startParams.contains(box->param().toString())) {
            return false;
        }
    }
    if (ui->soundEdit->text() != m_startSound || ui->logFileEdit->text() != m_startLogFile || ui->executeEdit->text() != m_startExecute) {
        return false;
    }
    const QStringList methods = m_startAction.split(QLatin1Char('|'));
    return ui->popupCheckBox->isChecked() == methods.contains(Popup) && ui->soundCheckBox->isChecked() == methods.contains(Sound)
        && ui->logFileCheckBox->isChecked() == methods.contains(Logfile) && ui->executeCheckBox->isChecked() == methods.contains(Execute);
}

QStringList DBusDialog::createEventContent() const
{
    QStringList lines{QStringLiteral("[Event/%1]\n").arg(m_eventId)};
    QStringList methods;
    if (ui->popupCheckBox->isChecked()) {
        methods.append(Popup);
    }
    if (ui->soundCheckBox->isChecked()) {
        methods.append(Sound);
    }
    if (ui->logFileCheckBox->isChecked()) {
        methods.append(Logfile);
    }
    if (ui->executeCheckBox->isChecked()) {
        methods.append(Execute);
    }
    if (!methods.isEmpty()) {
        lines.append(QStringLiteral("Action=%1\n").arg(methods.join(QLatin1Char('|'))));
    }
    const QString logFile = rcValue(ui->logFileEdit->text());
    lines.append(QStringLiteral("Execute=") + rcValue(ui->executeEdit->text()) + QLatin1Char('\n'));
    lines.append(QStringLiteral("Logfile=") + (logFile.isEmpty() ? QString() : FileScheme + logFile) + QLatin1Char('\n'));
    lines.append(QStringLiteral("Sound=") + rcValue(ui->soundEdit->text()) + QLatin1Char('\n'));
    lines.append(QStringLiteral("TTS=\n"));
    return lines;
}

void DBusDialog::writeTypeConfig() const
{
    if (m_rcPath.isEmpty() || m_eventId.isEmpty()) {
        return;
    }
    const QStringList section = createEventContent();
    QString content = section.join(QString());
    QFile existing(m_rcPath);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly)) {
            qWarning("Cannot read %s: %s", qPrintable(m_rcPath), qPrintable(existing.errorString()));
            return;
        }
        content = replaceSection(QString::fromUtf8(existing.readAll()), section.first().trimmed(), section);
        existing.close();
    } else if (!QDir().mkpath(QFileInfo(m_rcPath).absolutePath())) {
        qWarning("Cannot create the directory of %s", qPrintable(m_rcPath));
        return;
    }
    QSaveFile file(m_rcPath);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning("Cannot write %s: %s", qPrintable(m_rcPath), qPrintable(file.errorString()));
        return;
    }
    const QByteArray bytes = content.toUtf8();
    // QSaveFile renames a short file over the old one when only its final
    // flush fails: flush and check before committing.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError || !file.commit()) {
        qWarning("Cannot write %s: %s", qPrintable(m_rcPath), qPrintable(file.errorString()));
        file.cancelWriting();
    }
}

QStringList DBusDialog::prepareParam(const QString &line)
{
    return syslogTokens(line).mid(1);
}

void DBusDialog::generateConfig()
{
    if (!m_event) {
        return;
    }
    const EventTreeItem *idNode = m_event->findChildByNativeName(QStringLiteral("message_id"));
    const EventTreeItem *typeNode = m_event->findChildByNativeName(QStringLiteral("message-type"));
    if (!idNode || !typeNode) {
        return;
    }
    const QString messageId = idNode->data(1).toString();
    const QString messageType = typeNode->data(1).toString();
    if (!isUsableMessageId(messageId)) {
        m_event = nullptr;
        Gui::Utils::confirmAboutBrokenNotifyConfig(this, messageId);
        return;
    }
    const QString eventId = NotificationIds::eventId(messageId);
    const QString fileId = NotificationIds::fileId(messageId);
    const QString paren = QString::fromLatin1(CommonSettingsParser::ParenthesisOption);

    TreeItem root({});
    const QString filterName = QStringLiteral("tarn_%1_filter").arg(messageId);
    auto *filter = new TreeItem({QStringLiteral("filter"), filterName}, &root);
    root.appendChild(filter);
    const QString expression = QStringLiteral("\"^%1$\" value(\"MSG.tarn-%2.message_id\")").arg(messageId, syslogString(messageType));
    filter->appendChild(new TreeItem({QStringLiteral("match"), paren, expression}, filter));

    const QString destinationName = QStringLiteral("tarn_%1_dbus_dst").arg(messageId);
    auto *destination = new TreeItem({QStringLiteral("destination"), destinationName}, &root);
    root.appendChild(destination);

    QStringList params;
    QStringList format;
    for (const CheckBoxParam *box : m_checkBoxes) {
        if (box->isChecked()) {
            format.append(QStringLiteral("{%1}").arg(params.size()));
            params.append(syslogString(box->param().toString()));
        }
    }
    QString user;
    QString group;
    if (ui->allUsersRadioButton->isChecked()) {
        user = AllRecipients;
        group = AllRecipients;
    } else if (ui->selectGroupRadioButton->isChecked()) {
        user = AllRecipients;
        group = AdminGroup;
    }
    const QString argument = PythonArgument.arg(syslogString(messageType),
                                                syslogString(user),
                                                syslogString(group),
                                                syslogString(eventId),
                                                syslogString(ui->titleLineEdit->text()),
                                                params.join(QLatin1Char(',')),
                                                format.join(QLatin1Char(' ')),
                                                syslogString(messageId));
    destination->appendChild(new TreeItem({QStringLiteral("python"), paren, argument}, destination));

    auto *log = new TreeItem({QStringLiteral("log")}, &root);
    root.appendChild(log);
    log->appendChild(new TreeItem({QStringLiteral("source"), paren, QStringLiteral("tarn_events_src")}, log));
    log->appendChild(new TreeItem({QStringLiteral("parser"), paren, QStringLiteral("tarn_events_parser")}, log));
    log->appendChild(new TreeItem({QStringLiteral("filter"), paren, filterName}, log));
    log->appendChild(new TreeItem({QStringLiteral("destination"), paren, destinationName}, log));

    CommonWriter writer(m_configAccessService, SystemPaths::notificationDestinationFile(fileId));
    QStringList lines;
    for (const QString &text : writer.getConfig(&root)) {
        lines += text.split(QLatin1Char('\n'));
    }

    const QString eventName = m_event->name;
    m_event = nullptr;
    writeTypeConfig();

    const NotificationsDictionary &dictionary = NotificationsDictionary::Instance();
    if (!dictionary.contains(eventId)) {
        Gui::Utils::confirmAboutBrokenNotifyConfig(this, eventId);
        return;
    }
    QDBusMessage message =
        QDBusMessage::createSignal(QStringLiteral("/Config"), QStringLiteral("org.kde.knotification"), QStringLiteral("reparseConfiguration"));
    message << dictionary.applicationName(eventId);
    QDBusConnection::sessionBus().send(message);

    Q_EMIT notificationOn(fileId, eventName, lines, m_type);
    Q_EMIT dbusAccepted(eventId);
}

void DBusDialog::setOkButtonState() const
{
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(!checkStartParams());
}

void DBusDialog::enableSoundElements() const
{
    const bool on = ui->soundCheckBox->isChecked();
    ui->playButton->setEnabled(on);
    ui->soundEdit->setEnabled(on);
    ui->soundDialogButton->setEnabled(on);
}

void DBusDialog::enableLogFileElements() const
{
    const bool on = ui->logFileCheckBox->isChecked();
    ui->logFileEdit->setEnabled(on);
    ui->logFileDialogButton->setEnabled(on);
}

void DBusDialog::enableExecuteElements() const
{
    const bool on = ui->executeCheckBox->isChecked();
    ui->executeEdit->setEnabled(on);
    ui->executeDialogButton->setEnabled(on);
}

void DBusDialog::playButtonClicked() const
{
    m_player->setMedia(QUrl::fromLocalFile(ui->soundEdit->text()));
    m_player->play();
}

void DBusDialog::soundDialogButtonClicked()
{
    const QStringList soundDirs = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("sounds"), QStandardPaths::LocateDirectory);
    const QString file =
        QFileDialog::getOpenFileName(this, i18n("Open sound"), soundDirs.isEmpty() ? QString() : soundDirs.last(), i18n("Audio files (*.ogg *.wav)"));
    if (!file.isEmpty()) {
        ui->soundEdit->setText(file);
    }
}

void DBusDialog::logFileDialogButtonClicked()
{
    const QString file = QFileDialog::getOpenFileName(this, i18n("Open log file"), firstHome());
    if (!file.isEmpty()) {
        ui->logFileEdit->setText(file);
    }
}

void DBusDialog::executeDialogButtonClicked()
{
    const QString file = QFileDialog::getOpenFileName(this, i18n("Open script file"), firstHome());
    if (!file.isEmpty()) {
        ui->executeEdit->setText(file);
    }
}

void DBusDialog::handleRepeatCheckBox(int state) const
{
    if (state != Qt::Unchecked && state != Qt::Checked) {
        return;
    }
    const bool on = state == Qt::Checked;
    ui->intervalSpinBox->setEnabled(on);
    if (TreeItem *enabled = repetitionValue(QStringLiteral("enabled"))) {
        enabled->setData(1, on ? QStringLiteral("1") : QStringLiteral("0"));
    }
}

void DBusDialog::setRepeatInterval(int value)
{
    if (TreeItem *interval = repetitionValue(QStringLiteral("interval"))) {
        interval->setData(1, QString::number(value));
    }
}

void DBusDialog::updateIntervalSuffix(int seconds)
{
    ui->intervalSpinBox->setSuffix(i18ncp("@item:valuesuffix repetition interval", " second", " seconds", seconds));
}
