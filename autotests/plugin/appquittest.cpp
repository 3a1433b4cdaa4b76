/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "moduletestenvironment.h"

#include <KCModule>
#include <KJob>
#include <KPluginFactory>
#include <KPluginMetaData>

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QPluginLoader>
#include <QTest>
#include <QTimer>

#include <memory>

// The settings host quits when its last window closes, unless something still
// holds the application (every KJob does until it is deleted). Run with no
// system bus, so that every KAuth action of the module fails at once.
class AppQuitTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void theApplicationQuitsAfterTheModuleCloses()
    {
        ModuleTestEnvironment environment;
        QVERIFY(environment.isValid());
        QPluginLoader loader(QStringLiteral(PLUGIN_FILE));
        auto *factory = qobject_cast<KPluginFactory *>(loader.instance());
        QVERIFY2(factory, qPrintable(loader.errorString()));

        // As kcmshell5 does: the window is shown before the event loop runs,
        // and its showing reads the audit settings through KAuth.
        auto window = std::make_unique<QWidget>();
        auto *module = factory->create<KCModule>(window.get(), QVariantList{QString(), QJsonArray()});
        QVERIFY(module);
        window->show();
        QVERIFY(qApp->quitOnLastWindowClosed());

        bool timedOut = false;
        int jobsLeft = -1;
        QTimer::singleShot(500, window.get(), [&] {
            jobsLeft = module->findChildren<KJob *>().size();
            window->close();
        });
        QTimer::singleShot(10000, qApp, [&] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        const int code = QApplication::exec();
        QVERIFY2(!timedOut, "the application still runs after the module closed");
        QCOMPARE(code, 0);
        QCOMPARE(jobsLeft, 0);
    }

    void helpOpensTheHandbook()
    {
        const KPluginMetaData metaData(QStringLiteral(PLUGIN_FILE));
        QCOMPARE(metaData.value(QStringLiteral("X-DocPath")), QStringLiteral("kcontrol/adminevents/index.html"));
        QVERIFY(QFile::exists(QStringLiteral(HANDBOOK_CACHE)));
        // A search finds the module by the names of the programs it sets up,
        // whichever language the search is typed in.
        for (const QString &key : {QStringLiteral("X-KDE-Keywords"), QStringLiteral("X-KDE-Keywords[ru]")}) {
            const QStringList keywords = metaData.rawData().value(key).toString().split(QLatin1Char(','));
            for (const QString &program : {QStringLiteral("syslog-ng"), QStringLiteral("auditd"), QStringLiteral("logrotate")}) {
                QVERIFY2(keywords.contains(program), qPrintable(key + QLatin1Char(' ') + program));
            }
        }
    }
};

QTEST_MAIN(AppQuitTest)

#include "appquittest.moc"
