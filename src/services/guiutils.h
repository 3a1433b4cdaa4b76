/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>

class QDialogButtonBox;
class QWidget;

// Message boxes and button texts shared by several parts of the module.
namespace Gui::Utils
{
// Asks "<text>\nReboot now?", No being the default button; true when the
// administrator answers Yes.
bool confirmAboutReboot(const QString &text);

// Warns that the notification configuration of `name` is broken.
void confirmAboutBrokenNotifyConfig(QWidget *parent, const QString &name);

// Gives the standard buttons of `box` KDE's texts and icons, translated into
// the administrator's language whichever platform theme the host runs with.
void useStandardButtonTexts(QDialogButtonBox *box);
}
