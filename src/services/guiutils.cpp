/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "guiutils.h"

#include <KGuiItem>
#include <KLocalizedString>
#include <KStandardGuiItem>

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>

namespace Gui::Utils
{
bool confirmAboutReboot(const QString &text)
{
    // No is the default: an Enter meant for the module must not reboot.
    const QString message = QStringLiteral("%1\n%2").arg(text, i18n("Reboot now?"));
    const auto answer = QMessageBox::question(nullptr, i18n("Reboot"), message, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void confirmAboutBrokenNotifyConfig(QWidget *parent, const QString &name)
{
    QMessageBox::warning(parent, i18n("Error"), i18n("Config file for \"%1\" is broken.", name), QMessageBox::Ok);
}

void useStandardButtonTexts(QDialogButtonBox *box)
{
    const std::pair<QDialogButtonBox::StandardButton, KGuiItem> items[] = {
        {QDialogButtonBox::Ok, KStandardGuiItem::ok()},
        {QDialogButtonBox::Cancel, KStandardGuiItem::cancel()},
        {QDialogButtonBox::Save, KStandardGuiItem::save()},
        {QDialogButtonBox::Apply, KStandardGuiItem::apply()},
        {QDialogButtonBox::Close, KStandardGuiItem::close()},
        {QDialogButtonBox::Reset, KStandardGuiItem::reset()},
        {QDialogButtonBox::Help, KStandardGuiItem::help()},
    };
    for (const auto &[button, item] : items) {
        if (QPushButton *pushButton = box->button(button)) {
            KGuiItem::assign(pushButton, item);
        }
    }
}
}
