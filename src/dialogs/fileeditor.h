/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>

class ConfigAccessService;
class KMessageWidget;
class LoggingService;
class QFile;

namespace Ui
{
class FileEditor;
}

// A plain text editor for one configuration file of the logging service,
// UTF-8 on both sides. The file belongs to the super-user, so it is written
// through the helper; a written file is taken up by starting or restarting
// the logging service. Save closes the dialog only once the file is written;
// an unchanged text writes and restarts nothing. A file that exists but
// cannot be read, or that is not UTF-8 text, is shown read-only and is never
// saved from here.
class FileEditor : public QDialog
{
    Q_OBJECT
public:
    // `path` is the resolved path of the file.
    explicit FileEditor(const QString &path, QWidget *parent = nullptr);
    ~FileEditor() override;

    // The helper's clients to write through and to start or restart the
    // logging service with; not owned.
    void setServices(ConfigAccessService *config, LoggingService *logging);

    // The file decoded from UTF-8; empty when it cannot be read.
    QString getFileContents() const;
    // Loads the file into the editor, discarding the edits.
    void resetContents() const;

public Q_SLOTS:
    // Writes the edited text, if it changed, then starts or restarts the
    // logging service. A failure is shown to the administrator.
    void writeFile() const;

Q_SIGNALS:
    void fileWritten() const;

private:
    enum class Content {
        NotLoaded,
        Editable, // read as UTF-8 text, or missing (then created on save)
        Unreadable,
        NotText, // holds a NUL byte or bytes that are not UTF-8
    };

    struct Reading {
        Content content = Content::NotLoaded;
        QByteArray bytes;
        QString text;
        QString problem;
    };

    Reading readContents() const;
    // True when the dialog may close: the text is written, or unchanged.
    bool saveContents() const;
    void showProblem(const QString &text) const;
    void reportFailure(const QString &text) const;

    void save();

    Ui::FileEditor *ui;
    QFile *m_file;
    KMessageWidget *m_notice;
    ConfigAccessService *m_config = nullptr;
    LoggingService *m_logging = nullptr;

    // What was read, and the text the editor gave back for it.
    mutable Content m_content = Content::NotLoaded;
    mutable QByteArray m_readBytes;
    mutable QString m_shownText;
};
