/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QLabel>

namespace KCMTS
{
// A one-line status shown at the bottom of a module: what happened to the
// administrator's last request. Empty after a reset.
class StateWidget : public QLabel
{
    Q_OBJECT
public:
    explicit StateWidget(QWidget *parent = nullptr);

    // Forgets whatever was shown.
    void resetState();
    // Shows that the changes were written.
    void setApplied();
    // Shows that there are changes not yet applied.
    void setPending();
    // Shows that applying the changes failed: they are still pending.
    void setFailed();
};
}
