/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include <guardkcmodule.h>
#include <statewidget.h>

#include <QSignalSpy>
#include <QTest>

namespace
{
class RecordingModule : public KCMGS::GuardKCModule
{
public:
    RecordingModule()
        : KCMGS::GuardKCModule(QStringLiteral("recording"), nullptr, {})
    {
    }
    void access() override
    {
        ++accessCalls;
    }
    void change() override
    {
        ++changeCalls;
        stateWidget()->resetState();
        if (fails) {
            reportChangeFailed();
        }
    }
    int accessCalls = 0;
    int changeCalls = 0;
    bool fails = false;
};
}

class GuardKCModuleTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void accessRunsOnceOnFirstShow()
    {
        RecordingModule module;
        QCOMPARE(module.accessCalls, 0);
        module.show();
        QCOMPARE(module.accessCalls, 1);
        module.hide();
        module.show();
        QCOMPARE(module.accessCalls, 1);
        QVERIFY(module.isAccessed());
    }

    void applyRunsChangeAndReportsIt()
    {
        RecordingModule module;
        module.show();
        module.save();
        QCOMPARE(module.changeCalls, 1);
        QCOMPARE(module.stateWidget()->text(), QStringLiteral("Changes applied."));
        module.stateWidget()->resetState();
        QVERIFY(module.stateWidget()->text().isEmpty());
    }

    void aFailedApplyStaysChanged()
    {
        RecordingModule module;
        module.show();
        // KCModule's first show queues a load(), which reports no change.
        QCoreApplication::processEvents();
        module.fails = true;
        QSignalSpy changed(&module, qOverload<bool>(&KCModule::changed));
        module.save();
        QCOMPARE(module.changeCalls, 1);
        QCOMPARE(module.stateWidget()->text(), QStringLiteral("Changes were not applied."));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.last().first().toBool(), true);
        // Said again once the host has had its say after save().
        QTRY_COMPARE(changed.size(), 2);
        QCOMPARE(changed.last().first().toBool(), true);
        QCOMPARE(module.stateWidget()->text(), QStringLiteral("Changes were not applied."));

        // A later apply that succeeds reports success.
        module.fails = false;
        module.save();
        QCOMPARE(module.stateWidget()->text(), QStringLiteral("Changes applied."));
        QTest::qWait(50);
        QCOMPARE(changed.size(), 2);
    }

    void statusLineFollowsTheChangedState()
    {
        RecordingModule module;
        Q_EMIT module.changed(true);
        QCOMPARE(module.stateWidget()->text(), QStringLiteral("There are unsaved changes."));
        Q_EMIT module.changed(false);
        QVERIFY(module.stateWidget()->text().isEmpty());
    }

    void resetButtonVisibility()
    {
        RecordingModule module;
        QVERIFY(!module.isResetButtonVisible());
        module.setResetButtonVisible(true);
        QVERIFY(module.isResetButtonVisible());
    }
};

QTEST_MAIN(GuardKCModuleTest)

#include "guardkcmoduletest.moc"
