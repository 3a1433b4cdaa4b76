/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "guardkcmodule.h"
#include "statewidget.h"

#include <QShowEvent>
#include <QTimer>

namespace KCMGS
{
GuardKCModule::GuardKCModule(const QString &moduleName, QWidget *parent, const QVariantList &args)
    : KCMTS::TarnKCModule(parent, args)
    , m_moduleName(moduleName)
{
    // A module that reports itself unchanged (reloaded, reset) has nothing
    // left of a failed apply.
    connect(this, qOverload<bool>(&KCModule::changed), this, [this](bool changed) {
        if (!changed) {
            m_changeFailed = false;
        }
    });
}

GuardKCModule::~GuardKCModule() = default;

QString GuardKCModule::moduleName() const
{
    return m_moduleName;
}

bool GuardKCModule::isAccessed() const
{
    return m_accessed;
}

void GuardKCModule::save()
{
    m_changeFailed = false;
    change();
    if (!m_changeFailed) {
        stateWidget()->setApplied();
        return;
    }
    const auto stillChanged = [this]() {
        Q_EMIT changed(true);
        stateWidget()->setFailed();
    };
    stillChanged();
    // The host marks the module unchanged once save() returns: say it again
    // when control is back in the host's event loop, so that Apply stays
    // enabled, unless the module was reset meanwhile.
    QTimer::singleShot(0, this, [this, stillChanged]() {
        if (m_changeFailed) {
            stillChanged();
        }
    });
}

void GuardKCModule::reportChangeFailed()
{
    m_changeFailed = true;
}

void GuardKCModule::access()
{
}

void GuardKCModule::change()
{
}

void GuardKCModule::showEvent(QShowEvent *event)
{
    KCMTS::TarnKCModule::showEvent(event);
    if (!m_accessed) {
        m_accessed = true;
        access();
    }
}
}
