/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "statewidget.h"

#include <KLocalizedString>

namespace KCMTS
{
StateWidget::StateWidget(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("stateWidget"));
    setTextFormat(Qt::PlainText);
}

void StateWidget::resetState()
{
    clear();
}

void StateWidget::setApplied()
{
    setText(i18nd("tarn_kcm_admin_events", "Changes applied."));
}

void StateWidget::setPending()
{
    setText(i18nd("tarn_kcm_admin_events", "There are unsaved changes."));
}

void StateWidget::setFailed()
{
    setText(i18nd("tarn_kcm_admin_events", "Changes were not applied."));
}
}
