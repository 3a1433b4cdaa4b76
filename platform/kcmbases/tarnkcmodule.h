/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <KCModule>

class QPushButton;

namespace KCMTS
{
class StateWidget;

// Base of the distribution's settings modules: a KCModule with a status line
// and a reset button that brings back what was last loaded.
class TarnKCModule : public KCModule
{
    Q_OBJECT
public:
    explicit TarnKCModule(QWidget *parent = nullptr, const QVariantList &args = QVariantList());
    ~TarnKCModule() override;

    void setResetButtonVisible(bool visible);
    bool isResetButtonVisible() const;
    StateWidget *stateWidget() const;

protected:
    // Derived modules lay out their own widgets in here; the base keeps the
    // status line and the reset button below it.
    QWidget *contentWidget() const;

private:
    QWidget *m_content = nullptr;
    StateWidget *m_stateWidget = nullptr;
    QPushButton *m_resetButton = nullptr;
};
}
