/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "fileeditor.h"

#include "configaccessservice.h"
#include "loggingservice.h"
#include "messageboxwatcher.h"
#include "sampleroot.h"
#include "scriptedservice.h"
#include "systempaths.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace
{
const QString CommonFile = QString::fromLatin1(SystemPaths::SyslogNgCommonFile);
const QByteArray Cyrillic = "# Общие настройки журнала\nsource s_local { system(); };\n";

// The editor over the sample's common syslog-ng file, with scripted services.
struct Fixture {
    // `directory`: a directory stands where the file should be; it exists,
    // but cannot be read.
    explicit Fixture(const QByteArray &content, bool directory = false)
    {
        sample.writeFile(CommonFile, content);
        if (directory) {
            sample.removeTree(CommonFile);
            QDir().mkpath(sample.filePath(CommonFile));
        }
        sample.activate();
        editor = std::make_unique<FileEditor>(SystemPaths::resolve(CommonFile));
        editor->setServices(&config, &logging);
        editor->resetContents();
        editor->show();
    }

    QPlainTextEdit *textEdit() const
    {
        return editor->findChild<QPlainTextEdit *>(QStringLiteral("textEdit"));
    }

    QPushButton *saveButton() const
    {
        return editor->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Save);
    }

    SampleRoot sample;
    ScriptedService<ConfigAccessService> config;
    ScriptedService<LoggingService> logging;
    std::unique_ptr<FileEditor> editor;
};
}

class FileEditorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // A systemctl that reports both units as the test sets it.
        QVERIFY(m_bin.isValid());
        setUnitsActive(false);
        qputenv("PATH", QFile::encodeName(m_bin.path()) + ':' + qgetenv("PATH"));
    }

    // Saving a text that was not edited, or a file that was not read as
    // UTF-8 text, never writes and never restarts anything.
    void unchangedOrUnreadWritesNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("directory");
        QTest::addColumn<bool>("editable");
        QTest::newRow("Cyrillic UTF-8") << Cyrillic << false << true;
        QTest::newRow("byte order mark and CR LF") << QByteArray(
            "\xEF\xBB\xBF"
            "a = \"б\";\r\nb;\r\n") << false << true;
        QTest::newRow("empty") << QByteArray() << false << true;
        QTest::newRow("NUL byte") << QByteArray("a = 1;\0b = 2;\n", 14) << false << false;
        QTest::newRow("not UTF-8") << QByteArray("caf\xE9\n") << false << false;
        QTest::newRow("cannot be read") << QByteArray() << true << false;
    }

    void unchangedOrUnreadWritesNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, directory);
        QFETCH(bool, editable);
        Fixture fixture(content, directory);
        QCOMPARE(fixture.textEdit()->isReadOnly(), !editable);
        QCOMPARE(fixture.saveButton()->isEnabled(), editable);
        MessageBoxWatcher boxes(MessageBoxWatcher::WithInformativeText);
        if (editable) {
            QCOMPARE(fixture.editor->getFileContents().toUtf8(), content);
            fixture.saveButton()->click();
            QCOMPARE(fixture.editor->result(), int(QDialog::Accepted));
        } else {
            if (!directory) {
                // Kept whole: not cut at a NUL, one character for each byte that is not UTF-8.
                QCOMPARE(fixture.editor->getFileContents().size(), content.size());
            }
            fixture.textEdit()->setPlainText(QStringLiteral("replacement"));
            fixture.editor->writeFile();
        }
        QCOMPARE(boxes.shown().size(), editable ? 0 : 1);
        QVERIFY(fixture.config.actions.isEmpty());
        QVERIFY(fixture.logging.actions.isEmpty());
        if (!directory) {
            QCOMPARE(fixture.sample.readFile(CommonFile), content);
        }
    }

    void editedWritesThroughHelper_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("helperError");
        QTest::addColumn<QString>("command"); // empty: none
        QTest::newRow("stopped: start") << false << 0 << QStringLiteral("start");
        QTest::newRow("running: restart") << true << 0 << QStringLiteral("restart");
        QTest::newRow("write refused: edits kept, nothing restarted") << true << 4 << QString();
    }

    void editedWritesThroughHelper()
    {
        QFETCH(bool, running);
        QFETCH(int, helperError);
        QFETCH(QString, command);
        setUnitsActive(running);
        Fixture fixture(Cyrillic);
        fixture.config.outcomes = {{helperError, QStringLiteral("not authorised"), {}}};
        QSignalSpy written(fixture.editor.get(), &FileEditor::fileWritten);
        MessageBoxWatcher boxes(MessageBoxWatcher::WithInformativeText);

        const QString edited = QString::fromUtf8(Cyrillic) + QStringLiteral("# ещё\n");
        fixture.textEdit()->setPlainText(edited);
        fixture.saveButton()->click();

        QCOMPARE(fixture.config.actions.size(), 1);
        const KAuth::Action &write = fixture.config.actions.first();
        QCOMPARE(write.name(), QStringLiteral("tarnos.kcm.adminevents.writeconfig"));
        QCOMPARE(write.arguments().value(QStringLiteral("path")).toString(), fixture.sample.filePath(CommonFile));
        QCOMPARE(write.arguments().value(QStringLiteral("content")).toByteArray(), Cyrillic + QByteArray("# ещё\n"));
        const bool ok = helperError == 0;
        QCOMPARE(written.size(), ok ? 1 : 0);
        QCOMPARE(fixture.logging.actions.size(), ok ? 1 : 0);
        if (!ok) {
            QCOMPARE(boxes.shown().size(), 1);
            QVERIFY(boxes.shown().first().startsWith(QLatin1String("Cannot save the file|")));
            QVERIFY(boxes.shown().first().contains(QLatin1String("not authorised")));
            QVERIFY(fixture.editor->isVisible());
            QCOMPARE(fixture.textEdit()->toPlainText(), edited);
            return;
        }
        QCOMPARE(fixture.logging.actions.first().arguments().value(QStringLiteral("cmd")).toString(), command);
        QCOMPARE(fixture.editor->result(), int(QDialog::Accepted));
        QVERIFY(boxes.shown().isEmpty());
        // What was written is now the text to compare with.
        fixture.editor->writeFile();
        QCOMPARE(fixture.config.actions.size(), 1);
        QCOMPARE(fixture.logging.actions.size(), 1);
    }

private:
    void setUnitsActive(bool active)
    {
        QFile script(m_bin.filePath(QStringLiteral("systemctl")));
        QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write(active ? "#!/bin/sh\nexit 0\n" : "#!/bin/sh\nexit 3\n");
        script.close();
        QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    }

    QTemporaryDir m_bin;
};

QTEST_MAIN(FileEditorTest)

#include "fileeditortest.moc"
