/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "logrotationsettings.h"

#include "configaccessservice.h"
#include "sampleroot.h"
#include "scriptedservice.h"
#include "systempaths.h"
#include "testpaths.h"

#include <KCapacityBar>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace
{
const QString RotateFile = QString::fromLatin1(SystemPaths::LogrotateFile);
const QByteArray Header = "/vigil/log/tarn/events";

// Lines given as Latin-1 literals.
QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts) {
        list << QString::fromLatin1(text);
    }
    return list;
}

struct Page {
    explicit Page(const QByteArray &content)
    {
        sample.writeFile(RotateFile, content);
        sample.activate();
        page = std::make_unique<LogRotationSettings>(config, nullptr);
        page->loadConfig();
    }
    template<class T>
    T *widget(const char *name) const
    {
        return page->findChild<T *>(QLatin1String(name));
    }
    // Saves, and gives the content of the write, or nothing when none was asked.
    QByteArray save() const
    {
        const auto saved = page->saveConfig();
        if (!saved || config->actions.isEmpty()) {
            return {};
        }
        return config->actions.takeLast().arguments().value(QStringLiteral("content")).toByteArray();
    }

    SampleRoot sample;
    ScriptedService<ConfigAccessService> *config = new ScriptedService<ConfigAccessService>;
    std::unique_ptr<LogRotationSettings> page;
};

// logrotate's own reading of `content`, written 0644 below `dir`: its errors.
QString logrotateErrors(const QTemporaryDir &dir, const QByteArray &content, const QStringList &options = {QStringLiteral("-d")})
{
    const QString path = dir.filePath(QStringLiteral("rotate.conf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size()) {
        return QStringLiteral("cannot write");
    }
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    file.close();
    QProcess process;
    process.start(QStringLiteral("logrotate"), options + QStringList{QStringLiteral("-s"), dir.filePath(QStringLiteral("state")), path});
    process.waitForFinished();
    QStringList errors;
    const QString output = QString::fromUtf8(process.readAllStandardError() + process.readAllStandardOutput());
    if (options.contains(QStringLiteral("-d")) && !output.contains(QStringLiteral("Handling 1 logs"))) {
        errors << QStringLiteral("no log handled");
    }
    const QStringList lines = output.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("error:")) && !line.contains(QLatin1String("stat of"))) {
            errors << line;
        }
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        errors << QStringLiteral("exit %1").arg(process.exitCode());
    }
    return errors.join(QLatin1Char('\n'));
}
}

class LogRotationSettingsTest : public QObject
{
    Q_OBJECT

    QByteArray sampleFile() const
    {
        const SampleRoot sample;
        return sample.readFile(RotateFile);
    }

private Q_SLOTS:
    void load_data()
    {
        QTest::addColumn<QByteArray>("directives");
        QTest::addColumn<int>("rotate"); // -1: unchecked
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("period");
        QTest::newRow("clamped") << QByteArray("rotate 150\n size 5000M") << 99 << 4096 << QString();
        QTest::newRow("kilobytes") << QByteArray("size 100k") << -1 << 1 << QString();
        QTest::newRow("gigabytes") << QByteArray("size 2G") << -1 << 2048 << QString();
        QTest::newRow("bytes") << QByteArray("size 1048577") << -1 << 2 << QString();
        QTest::newRow("last period wins, over size too") << QByteArray("rotate 3\nsize 100M\ndaily\nmonthly") << 3 << -1 << QStringLiteral("month");
    }

    void load()
    {
        QFETCH(QByteArray, directives);
        QFETCH(int, rotate);
        QFETCH(int, size);
        QFETCH(QString, period);
        Page page(Header + " {\n" + directives + "\n}\n");
        QCOMPARE(page.widget<QCheckBox>("numberCheckBox")->isChecked(), rotate >= 0);
        QCOMPARE(page.widget<QCheckBox>("logSizeCheckBox")->isChecked(), size >= 0);
        QCOMPARE(page.widget<QSpinBox>("logSize")->isEnabled(), size >= 0);
        QCOMPARE(page.widget<QCheckBox>("periodCheckBox")->isChecked(), !period.isEmpty());
        if (rotate >= 0) {
            QCOMPARE(page.widget<QSpinBox>("numberOfLogs")->value(), rotate);
        }
        if (size >= 0) {
            QCOMPARE(page.widget<QSpinBox>("logSize")->value(), size);
        }
        if (!period.isEmpty()) {
            QCOMPARE(page.widget<QComboBox>("periodComboBox")->currentText(), period);
        }
    }

    void sizeAndPeriodExclude()
    {
        Page page(sampleFile());
        page.widget<QCheckBox>("periodCheckBox")->setChecked(true);
        QVERIFY(!page.widget<QCheckBox>("logSizeCheckBox")->isChecked());
        page.widget<QCheckBox>("logSizeCheckBox")->setChecked(true);
        QVERIFY(!page.widget<QCheckBox>("periodCheckBox")->isChecked());
        QVERIFY(!page.widget<QComboBox>("periodComboBox")->isEnabled());
    }

    void badFile()
    {
        Page page("/a {\n\tbogus\n}\n");
        QVERIFY(!page.widget<QWidget>("_settingsPanel")->isEnabled());
        QVERIFY(page.widget<QWidget>("_settingsPanel")->toolTip().endsWith(QStringLiteral(": Bad config file")));
        QVERIFY(page.save().isEmpty());
        QVERIFY(page.config->actions.isEmpty());
    }

    // What the page writes for several settings, each read by logrotate.
    void save_data()
    {
        QTest::addColumn<int>("rotate"); // -1: unchecked
        QTest::addColumn<int>("size"); // -1: unchecked, 0: as loaded
        QTest::addColumn<QString>("period");
        QTest::addColumn<QStringList>("directives"); // the edited directives written
        QTest::newRow("rotate and size") << 5 << 200 << QString() << strings({"\trotate 5", "  size 200M"});
        QTest::newRow("rotate and period") << 7 << -1 << QStringLiteral("weekly") << strings({"\tweekly", "\trotate 7"});
        QTest::newRow("all unchecked") << -1 << -1 << QString() << QStringList();
        QTest::newRow("odd unit kept") << 3 << 0 << QString() << strings({"\trotate 3", "  size 100k"});
    }

    void save()
    {
        QFETCH(int, rotate);
        QFETCH(int, size);
        QFETCH(QString, period);
        QFETCH(QStringList, directives);
        const QByteArray original = sampleFile().replace("\tsize 100M", "  size 100k");
        Page page(original);
        page.widget<QCheckBox>("numberCheckBox")->setChecked(rotate >= 0);
        page.widget<QSpinBox>("numberOfLogs")->setValue(rotate);
        page.widget<QCheckBox>("logSizeCheckBox")->setChecked(size >= 0);
        if (size > 0) {
            page.widget<QSpinBox>("logSize")->setValue(size);
        }
        page.widget<QCheckBox>("periodCheckBox")->setChecked(!period.isEmpty());
        auto *combo = page.widget<QComboBox>("periodComboBox");
        combo->setCurrentIndex(combo->findData(period));

        const QByteArray written = page.save();
        QVERIFY(!written.isEmpty());
        // Everything else stays, in its order.
        QStringList others = QString::fromUtf8(original).split(QLatin1Char('\n'));
        others.removeAll(QStringLiteral("\trotate 10"));
        others.removeAll(QStringLiteral("  size 100k"));
        QStringList lines = QString::fromUtf8(written).split(QLatin1Char('\n'));
        QCOMPARE(lines.mid(2, directives.size()), directives);
        lines.erase(lines.begin() + 2, lines.begin() + 2 + directives.size());
        QCOMPARE(lines, others);

        if (QStandardPaths::findExecutable(QStringLiteral("logrotate")).isEmpty()) {
            QSKIP("logrotate is not installed");
        }
        QTemporaryDir dir;
        QVERIFY(TestPaths::isUsable(dir));
        QCOMPARE(logrotateErrors(dir, written), QString());
    }

    // The saved file really rotates a log, keeping as many as "rotate" says.
    void forcedRotation()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("logrotate")).isEmpty()) {
            QSKIP("logrotate is not installed");
        }
        Page page(sampleFile());
        page.widget<QSpinBox>("numberOfLogs")->setValue(2);
        QByteArray written = page.save();
        QVERIFY(written.contains("\trotate 2\n"));

        QTemporaryDir dir;
        QVERIFY(TestPaths::isUsable(dir));
        const QString log = dir.filePath(QStringLiteral("events"));
        written.replace(Header, log.toUtf8());
        // The sample reloads syslog-ng after a rotation: not the machine's.
        written.replace("/usr/sbin/syslog-ng-ctl reload", "true");
        QVERIFY(!written.contains("/vigil"));
        for (int round = 1; round <= 4; ++round) {
            QFile file(log);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
            file.write("record " + QByteArray::number(round) + "\n");
            file.close();
            QCOMPARE(logrotateErrors(dir, written, {QStringLiteral("-f")}), QString());
        }
        // compress with delaycompress: the newest old log stays plain.
        QVERIFY(QFile::exists(log + QStringLiteral(".1")));
        QVERIFY(QFile::exists(log + QStringLiteral(".2.gz")));
        QVERIFY(!QFile::exists(log + QStringLiteral(".3.gz")));
    }

    void unchangedWritesNothing()
    {
        Page page(sampleFile());
        QVERIFY(page.page->saveConfig());
        QVERIFY(page.config->actions.isEmpty());
        page.widget<QSpinBox>("numberOfLogs")->setValue(4);
        page.config->outcomes << ScriptedService<ConfigAccessService>::Outcome{4, QStringLiteral("refused"), {}};
        const auto saved = page.page->saveConfig();
        QVERIFY(!saved);
        QVERIFY(saved.error().contains(QStringLiteral("refused")));
    }

    void formatSize_data()
    {
        QTest::addColumn<double>("bytes");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        const QLocale english(QLocale::English);
        QTest::newRow("bytes") << 512.0 << english << QStringLiteral("512 B");
        QTest::newRow("kilobytes") << 1536.0 << english << QStringLiteral("1.50 KiB");
        QTest::newRow("german") << 1536.0 << QLocale(QLocale::German) << QStringLiteral("1,50 KiB");
        QTest::newRow("just below a unit") << 1023.0 << english << QStringLiteral("1,023 B");
        QTest::newRow("petabytes") << 2048.0 * 1024 * 1024 * 1024 * 1024 << english << QStringLiteral("2.00 PiB");
    }

    void formatSize()
    {
        QFETCH(double, bytes);
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QCOMPARE(LogRotationSettings::formatSize(bytes, locale), text);
    }

    void statistics()
    {
        Page page(sampleFile());
        QVERIFY(page.sample.writeFile(QString::fromLatin1(SystemPaths::MainEventLog), QByteArray(1536, 'x')));
        page.page->getLogStatistics();
        QCOMPARE(page.widget<QLabel>("logSizeLabel")->text(), LogRotationSettings::formatSize(1536, QLocale()));
        QVERIFY(page.widget<QLabel>("diskSpaceLabel")->text().contains(QStringLiteral(" / ")));
        QVERIFY(!page.widget<KCapacityBar>("diskUsageBar")->isHidden());
        QVERIFY(page.sample.removeTree(QString::fromLatin1(SystemPaths::MainEventLog)));
        page.page->getLogStatistics();
        QCOMPARE(page.widget<QLabel>("logSizeLabel")->text(), QStringLiteral("unknown"));
        QVERIFY(page.widget<KCapacityBar>("diskUsageBar")->isHidden());
    }
};

QTEST_MAIN(LogRotationSettingsTest)

#include "logrotationsettingstest.moc"
