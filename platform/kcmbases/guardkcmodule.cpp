/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "guardkcmodule.h"
#include "statewidget.h"

#include <QShowEvent>

namespace KCMGS
{
GuardKCModule::GuardKCModule(const QString &moduleName, QWidget *parent, const QVariantList &args)
    : KCMTS::TarnKCModule(parent, args)
    , m_moduleName(moduleName)
{
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
    change();
    stateWidget()->setApplied();
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
