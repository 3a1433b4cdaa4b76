/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "fuzztarget.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>

// Every input kept for the fuzz targets, run once through its target: the
// seeds, and the input of every finding that was fixed ("regression-*").
// A target's broken property ends the process, as it ends a fuzz run.
class FuzzReplayTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // All nine targets are built into the test, each with inputs to run.
    void everyTargetHasInputs()
    {
        QStringList names;
        for (const Fuzz::Target &target : Fuzz::targets()) {
            names.append(QLatin1String(target.name));
            QVERIFY2(!inputs(target).isEmpty(), target.name);
        }
        names.sort();
        QCOMPARE(names,
                 QStringList({QStringLiteral("archive"),
                              QStringLiteral("audittable"),
                              QStringLiteral("catalogue"),
                              QStringLiteral("dictionary"),
                              QStringLiteral("diskspace"),
                              QStringLiteral("helper"),
                              QStringLiteral("logrotate"),
                              QStringLiteral("notifications"),
                              QStringLiteral("syslogng")}));
    }

    void replay_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("path");
        for (const Fuzz::Target &target : Fuzz::targets()) {
            for (const QString &path : inputs(target)) {
                const QString name = QLatin1String(target.name) + QLatin1Char('/') + QFileInfo(path).fileName();
                QTest::newRow(qPrintable(name)) << QString::fromLatin1(target.name) << path;
            }
        }
    }

    void replay()
    {
        QFETCH(QString, target);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray input = file.readAll();
        for (const Fuzz::Target &candidate : Fuzz::targets()) {
            if (target != QLatin1String(candidate.name)) {
                continue;
            }
            static QSet<QString> initialized;
            if (!initialized.contains(target)) {
                candidate.initialize();
                initialized.insert(target);
            }
            QCOMPARE(candidate.run(reinterpret_cast<const std::uint8_t *>(input.constData()), std::size_t(input.size())), 0);
            return;
        }
        QFAIL("no such target");
    }

private:
    static QStringList inputs(const Fuzz::Target &target)
    {
        const QDir dir(QStringLiteral(FUZZ_CORPUS_DIR "/") + QLatin1String(target.name));
        QStringList paths;
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
            paths.append(dir.filePath(name));
        }
        return paths;
    }
};

QTEST_MAIN(FuzzReplayTest)

#include "fuzzreplaytest.moc"
