/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "tarnkcmodule.h"
#include "statewidget.h"

#include <KLocalizedString>

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace KCMTS
{
TarnKCModule::TarnKCModule(QWidget *parent, const QVariantList &args)
    : KCModule(parent, args)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_content = new QWidget(this);
    m_content->setObjectName(QStringLiteral("tarnModuleContent"));
    layout->addWidget(m_content, 1);

    auto *bottom = new QHBoxLayout;
    m_stateWidget = new StateWidget(this);
    bottom->addWidget(m_stateWidget, 1);
    m_resetButton = new QPushButton(QIcon::fromTheme(QStringLiteral("edit-undo")), i18nd("tarn_kcm_admin_events", "Reset"), this);
    m_resetButton->setObjectName(QStringLiteral("resetButton"));
    m_resetButton->setVisible(false);
    bottom->addWidget(m_resetButton);
    layout->addLayout(bottom);

    // The status line follows what the module reports to the host.
    connect(this, qOverload<bool>(&KCModule::changed), m_stateWidget, [this](bool changed) {
        if (changed) {
            m_stateWidget->setPending();
        } else {
            m_stateWidget->resetState();
        }
    });

    // Reset brings back what was loaded, as the host's own reset does.
    connect(m_resetButton, &QPushButton::clicked, this, [this]() {
        load();
        m_stateWidget->resetState();
    });
}

TarnKCModule::~TarnKCModule() = default;

void TarnKCModule::setResetButtonVisible(bool visible)
{
    m_resetButton->setVisible(visible);
}

bool TarnKCModule::isResetButtonVisible() const
{
    return !m_resetButton->isHidden();
}

StateWidget *TarnKCModule::stateWidget() const
{
    return m_stateWidget;
}

QWidget *TarnKCModule::contentWidget() const
{
    return m_content;
}
}
