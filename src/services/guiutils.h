/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>

class QWidget;

// Message boxes shared by several parts of the module.
namespace Gui::Utils
{
// Asks "<text>\nReboot now?", No being the default button; true when the
// administrator answers Yes.
bool confirmAboutReboot(const QString &text);

// Warns that the notification configuration of `name` is broken.
void confirmAboutBrokenNotifyConfig(QWidget *parent, const QString &name);
}
