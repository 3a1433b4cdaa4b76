/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "checkboxparam.h"

CheckBoxParam::CheckBoxParam(const QString &text, const QVariant &param, QWidget *parent)
    : QCheckBox(text, parent)
    , m_param(param)
{
}

CheckBoxParam::~CheckBoxParam() = default;

QVariant CheckBoxParam::param() const
{
    return m_param;
}
