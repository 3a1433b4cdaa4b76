/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "admineventsmodule.h"

#include <statewidget.h>

#include <KLocalizedString>

#include <QLabel>
#include <QVBoxLayout>

AdminEventsModule::AdminEventsModule(QWidget *parent, const QList<QVariant> &args)
    : KCMGS::GuardKCModule(QStringLiteral("tarn_kcm_admin_events"), parent, args)
{
    auto *layout = new QVBoxLayout(contentWidget());
    m_placeholder = new QLabel(i18n("Security event settings"), contentWidget());
    m_placeholder->setObjectName(QStringLiteral("placeholderLabel"));
    m_placeholder->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_placeholder);
    setButtons(Help | Apply);
    setResetButtonVisible(true);
}

AdminEventsModule::~AdminEventsModule() = default;

void AdminEventsModule::access()
{
    stateWidget()->resetState();
}

void AdminEventsModule::change()
{
    stateWidget()->resetState();
}
