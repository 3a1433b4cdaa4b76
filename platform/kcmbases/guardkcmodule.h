/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "tarnkcmodule.h"

namespace KCMGS
{
// Base of the modules that change the system's security settings. It defers
// all work until the module is actually shown (access()) and routes the
// host's apply to change(). A change() that could not save everything says
// so with reportChangeFailed(): the status line then shows the failure, and
// the module stays changed for the host, so that Apply can be tried again.
class GuardKCModule : public KCMTS::TarnKCModule
{
    Q_OBJECT
public:
    GuardKCModule(const QString &moduleName, QWidget *parent, const QVariantList &args);
    ~GuardKCModule() override;

    QString moduleName() const;
    bool isAccessed() const;

    // The host's apply.
    void save() override;

public Q_SLOTS:
    // Called once, when the module is first shown.
    virtual void access();
    // Called when the host applies the changes.
    virtual void change();

protected:
    void showEvent(QShowEvent *event) override;
    // Called by change() when something was not saved. The module has told
    // the administrator what; the changes stay pending.
    void reportChangeFailed();

private:
    QString m_moduleName;
    bool m_accessed = false;
    bool m_changeFailed = false;
};
}
