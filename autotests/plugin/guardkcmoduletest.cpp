/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include <guardkcmodule.h>
#include <statewidget.h>

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
    }
    int accessCalls = 0;
    int changeCalls = 0;
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
