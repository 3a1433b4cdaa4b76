/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "abstractwriter.h"

// Renders a syslog-ng configuration tree (the shape CommonSettingsParser
// builds) as syslog-ng configuration text.
class CommonWriter : public AbstractWriter
{
public:
    CommonWriter(ConfigAccessService &configAccessService, const QString &configFile);

    // One text per child of `root`, in row order, each ending with "\n".
    QStringList createConfig(TreeItem *root) override;

    // True when `text` (an option's name) opens a block written with braces:
    // "if", "elif", "else", "channel", "junction".
    bool findItemIf(const QString &text) const;
};
