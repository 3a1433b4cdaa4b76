/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "fileeditor.h"
#include "ui_fileeditor.h"

#include "guiutils.h"

#include "configaccessservice.h"
#include "loggingservice.h"
#include "snghandler.h"

#include <KLocalizedString>
#include <KMessageWidget>

#include <QFile>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPushButton>
#include <QTextCodec>

#include <cerrno>
#include <sys/stat.h>

FileEditor::FileEditor(const QString &path, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::FileEditor)
    , m_file(new QFile(path, this))
    , m_notice(new KMessageWidget(this))
{
    ui->setupUi(this);
    Gui::Utils::useStandardButtonTexts(ui->buttonBox);
    ui->textEdit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_notice->setCloseButtonVisible(false);
    m_notice->setWordWrap(true);
    m_notice->hide();
    ui->verticalLayout->insertWidget(0, m_notice);

    // Nothing can be saved before the file has been read.
    ui->textEdit->setReadOnly(true);
    ui->buttonBox->button(QDialogButtonBox::Save)->setEnabled(false);

    // The dialog closes only once the file is written.
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &FileEditor::save);
}

FileEditor::~FileEditor()
{
    delete ui;
}

void FileEditor::setServices(ConfigAccessService *config, LoggingService *logging)
{
    m_config = config;
    m_logging = logging;
}

FileEditor::Reading FileEditor::readContents() const
{
    Reading reading;
    const QString path = m_file->fileName();
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        if (errno == ENOENT) {
            // Saving creates it.
            reading.content = Content::Editable;
        } else {
            reading.content = Content::Unreadable;
            reading.problem = i18n("The file \"%1\" cannot be read: %2", path, qt_error_string(errno));
        }
        return reading;
    }
    if (!m_file->open(QIODevice::ReadOnly)) {
        reading.content = Content::Unreadable;
        reading.problem = i18n("The file \"%1\" cannot be read: %2", path, m_file->errorString());
        return reading;
    }
    reading.bytes = m_file->readAll();
    const bool failed = m_file->error() != QFileDevice::NoError;
    const QString error = m_file->errorString();
    m_file->close();
    if (failed) {
        reading.content = Content::Unreadable;
        reading.bytes.clear();
        reading.problem = i18n("The file \"%1\" cannot be read: %2", path, error);
        return reading;
    }

    // A byte order mark is kept as a character, so that it is written back.
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    reading.text = QTextCodec::codecForMib(106)->toUnicode(reading.bytes.constData(), reading.bytes.size(), &state);
    if (state.invalidChars > 0 || state.remainingChars > 0 || reading.bytes.contains('\0')) {
        reading.content = Content::NotText;
        reading.problem = i18n("The file \"%1\" is not UTF-8 text. It is shown read-only and cannot be saved here.", path);
    } else {
        reading.content = Content::Editable;
    }
    return reading;
}

QString FileEditor::getFileContents() const
{
    return readContents().text;
}

void FileEditor::resetContents() const
{
    const Reading reading = readContents();
    m_content = reading.content;
    m_readBytes = reading.bytes;

    QString shown = reading.text;
    // The editor would cut the text at a NUL.
    shown.replace(QChar(0), QChar::ReplacementCharacter);
    ui->textEdit->setPlainText(shown);
    m_shownText = ui->textEdit->toPlainText();

    const bool editable = m_content == Content::Editable;
    ui->textEdit->setReadOnly(!editable);
    ui->buttonBox->button(QDialogButtonBox::Save)->setEnabled(editable);
    if (editable) {
        m_notice->hide();
    } else {
        showProblem(reading.problem);
    }
}

void FileEditor::writeFile() const
{
    saveContents();
}

bool FileEditor::saveContents() const
{
    const QString path = m_file->fileName();
    if (m_content != Content::Editable) {
        // Saving the editor's text would replace a file that was never read.
        reportFailure(i18n("The file \"%1\" was not read as UTF-8 text, so it is not saved from here.", path));
        return false;
    }
    const QString text = ui->textEdit->toPlainText();
    const QByteArray bytes = text.toUtf8();
    if (text == m_shownText || bytes == m_readBytes) {
        return true;
    }
    if (!m_config) {
        reportFailure(i18n("The file \"%1\" cannot be written: no access to the system.", path));
        return false;
    }
    if (!m_config->writeConfig(path, bytes)) {
        reportFailure(i18n("The file \"%1\" could not be written:\n%2", path, m_config->errorString()));
        return false;
    }
    m_readBytes = bytes;
    m_shownText = text;
    if (const QStringList unchecked = m_config->takeUncheckedFiles(); !unchecked.isEmpty()) {
        QMessageBox::information(const_cast<FileEditor *>(this),
                                 i18n("Installed without a check"),
                                 i18n("The file was installed, but its new configuration could not be checked:\n%1", unchecked.join(QLatin1Char('\n'))));
    }
    Q_EMIT fileWritten();
    if (m_logging) {
        if (SngHandler::Instance().getStatus()) {
            m_logging->restart();
        } else {
            m_logging->start();
        }
    }
    return true;
}

void FileEditor::reportFailure(const QString &text) const
{
    // The box is only parented to the dialog; the dialog itself is not changed.
    QMessageBox::critical(const_cast<FileEditor *>(this), i18n("Cannot save the file"), text);
}

void FileEditor::showProblem(const QString &text) const
{
    m_notice->setMessageType(KMessageWidget::Warning);
    m_notice->setText(text);
    m_notice->show();
}

void FileEditor::save()
{
    if (saveContents()) {
        accept();
    }
}
