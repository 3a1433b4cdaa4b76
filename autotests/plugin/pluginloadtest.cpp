/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "sampleroot.h"

#include <guardkcmodule.h>

#include <KCModule>
#include <KPluginFactory>
#include <KPluginMetaData>

#include <QJsonArray>
#include <QPluginLoader>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

class PluginLoadTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void factoryCreatesTheModule()
    {
        SampleRoot root;
        QVERIFY(root.isValid());
        root.activate();

        const KPluginMetaData metaData(QStringLiteral(PLUGIN_FILE));
        QVERIFY(metaData.isValid());
        QCOMPARE(metaData.pluginId(), QStringLiteral("adminevents-kcm"));
        QCOMPARE(metaData.value(QStringLiteral("X-KDE-System-Settings-Parent-Category")), QStringLiteral("system-administration"));
        QVERIFY(!metaData.name().isEmpty());
        QVERIFY(!metaData.iconName().isEmpty());

        QPluginLoader loader(QStringLiteral(PLUGIN_FILE));
        auto *factory = qobject_cast<KPluginFactory *>(loader.instance());
        QVERIFY2(factory, qPrintable(loader.errorString()));
        QCOMPARE(factory->metaObject()->className(), "AdminEventsFactory");
        // The factory is kept for the whole process.
        QCOMPARE(qobject_cast<KPluginFactory *>(QPluginLoader(QStringLiteral(PLUGIN_FILE)).instance()), factory);

        // As kcmshell5 calls it.
        auto *module = factory->create<KCModule>(nullptr, QVariantList{QString(), QJsonArray()});
        QVERIFY(module);
        // The plug-in carries its own copy of the bases, so compare by class name.
        QVERIFY(module->inherits("KCMGS::GuardKCModule"));
        QCOMPARE(module->metaObject()->className(), "AdminEventsModule");
        delete module;
    }

    void realHostFindsTheModule()
    {
        const QString host = QStandardPaths::findExecutable(QStringLiteral("kcmshell5"));
        QVERIFY2(!host.isEmpty(), "kcmshell5 is not installed (package kde-cli-tools)");
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(PLUGIN_DIR));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(host, {QStringLiteral("--list")});
        QVERIFY(process.waitForFinished(60000));
        const QString output = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(output.contains(QLatin1String("adminevents-kcm")), qPrintable(output.left(2000)));
    }
};

QTEST_MAIN(PluginLoadTest)

#include "pluginloadtest.moc"
