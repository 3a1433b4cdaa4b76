/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QCheckBox>
#include <QVariant>

// A check box of the notification dialog's parameter list: shows a
// parameter's display text and carries the parameter's native name.
class CheckBoxParam : public QCheckBox
{
public:
    CheckBoxParam(const QString &text, const QVariant &param, QWidget *parent = nullptr);
    ~CheckBoxParam() override;

    // The native name of the parameter.
    QVariant param() const;

private:
    QVariant m_param;
};
