/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <guardkcmodule.h>

class QLabel;

// The security events settings module.
class AdminEventsModule : public KCMGS::GuardKCModule
{
    Q_OBJECT
public:
    AdminEventsModule(QWidget *parent, const QList<QVariant> &args);
    ~AdminEventsModule() override;

public Q_SLOTS:
    void access() override;
    void change() override;

private:
    QLabel *m_placeholder = nullptr;
};
