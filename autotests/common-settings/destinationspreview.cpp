/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
// Shows the destinations page over the configuration below ADMINEVENTS_ROOT,
// for screenshots; with --add also the add-destination dialog, filled in.
#include "adddestinationdialog.h"
#include "destinationssettings.h"

#include <KLocalizedString>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    DestinationsSettings page;
    page.loadConfig();
    page.setWindowTitle(i18n("Destinations"));
    page.resize(900, 500);
    page.show();

    if (app.arguments().contains(QStringLiteral("--add"))) {
        AddDestinationDialog *dialog = page.addDestinationDialog();
        dialog->show();
        auto *type = dialog->findChild<QComboBox *>(QStringLiteral("typeEdit"));
        type->setCurrentIndex(type->findData(QStringLiteral("network")));
        dialog->findChild<QLineEdit *>(QStringLiteral("nameEdit"))->setText(QStringLiteral("siem"));
        dialog->findChild<QLineEdit *>(QStringLiteral("addressEdit"))->setText(QStringLiteral("10.20.0.99"));
    }
    return app.exec();
}
