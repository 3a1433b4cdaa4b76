/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "adddestinationdialog.h"

#include "treeitem.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace
{
const QString NotValidName = QStringLiteral("The destination name is not valid.");
const QString Exists = QStringLiteral("Destination with this name already exists.");
const QString NotValidAddress = QStringLiteral("The IP-address is not valid.");
const QString ControlCharacters = QStringLiteral("The path must not contain line breaks or other control characters.");

struct Fixture {
    Fixture()
    {
        // One existing destination, "tarn_json_dst".
        auto *statement = new TreeItem({QStringLiteral("destination"), QStringLiteral("tarn_json_dst"), QVariant()}, root.get());
        root->appendChild(statement);
        auto *driver = new TreeItem({QStringLiteral("file"), QStringLiteral("()"), QStringLiteral("\"/vigil/log/tarn/events\"")}, statement);
        statement->appendChild(driver);
        dialog.setDestItems({driver});
    }

    template<class Widget>
    Widget *widget(const char *name) const
    {
        return dialog.findChild<Widget *>(QLatin1String(name));
    }

    void fill(const QString &type, const QString &name, const QString &address) const
    {
        auto *typeEdit = widget<QComboBox>("typeEdit");
        typeEdit->setCurrentIndex(typeEdit->findData(type));
        widget<QLineEdit>("nameEdit")->setText(name);
        widget<QLineEdit>("addressEdit")->setText(address);
    }

    QPushButton *okButton() const
    {
        return widget<QDialogButtonBox>("buttonBox")->button(QDialogButtonBox::Ok);
    }

    std::unique_ptr<TreeItem> root =
        std::make_unique<TreeItem>(QVector<QVariant>{QStringLiteral("Parameter"), QStringLiteral("Name"), QStringLiteral("Value")});
    AddDestinationDialog dialog;
};
}

class AddDestinationDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void validation_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<bool>("ok");
        struct Case {
            const char *tag, *type, *name, *address;
            QString warning;
            bool ok;
        };
        const Case cases[] = {
            {"empty", "file", "", "", QString(), false},
            {"digit first", "file", "1dst", "/a", NotValidName, false},
            {"hyphen", "file", "my-dst", "/a", NotValidName, false},
            {"Cyrillic", "file", "dstжурнал", "/a", NotValidName, false},
            {"existing name", "network", "tarn_json_dst", "10.0.0.1", Exists, false},
            {"path with quote and backslash", "file", "my_dst2", "/var/log/a \"b\"\\c", QString(), true},
            {"path with line break", "file", "d", "/var/log/a\nb", ControlCharacters, false},
            {"address", "network", "siem", "10.20.0.99", QString(), true},
            {"fifth number", "network", "siem", "10.20.0.99.1", NotValidAddress, false},
            {"above 255", "network", "siem", "10.20.0.256", NotValidAddress, false},
            {"a path is no address", "network", "siem", "/var/log/a", NotValidAddress, false},
        };
        for (const Case &c : cases) {
            QTest::newRow(c.tag) << QString::fromUtf8(c.type) << QString::fromUtf8(c.name) << QString::fromUtf8(c.address) << c.warning << c.ok;
        }
    }

    void validation()
    {
        QFETCH(QString, type);
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(QString, warning);
        QFETCH(bool, ok);
        Fixture fixture;
        fixture.fill(type, name, address);
        QCOMPARE(fixture.dialog.destinationType(), type);
        QCOMPARE(fixture.widget<QLabel>("warningLabel")->text(), warning);
        QCOMPARE(fixture.okButton()->isEnabled(), ok);
        QCOMPARE(fixture.dialog.inputValidationError().has_value(), !ok);
    }

    // Switching the type clears name and address and fits the fields to it.
    void typeSwitch()
    {
        Fixture fixture;
        fixture.fill(QStringLiteral("network"), QStringLiteral("siem"), QStringLiteral("10.0.0.1"));
        auto *port = fixture.widget<QSpinBox>("portEdit");
        QVERIFY(!port->isHidden() && fixture.widget<QToolButton>("chooseFileButton")->isHidden());
        QCOMPARE(port->value(), 514);
        auto *typeEdit = fixture.widget<QComboBox>("typeEdit");
        typeEdit->setCurrentIndex(typeEdit->findData(QStringLiteral("file")));
        QVERIFY(fixture.widget<QLineEdit>("nameEdit")->text().isEmpty() && fixture.widget<QLineEdit>("addressEdit")->text().isEmpty());
        QVERIFY(!fixture.okButton()->isEnabled());
        QVERIFY(port->isHidden() && !fixture.widget<QToolButton>("chooseFileButton")->isHidden());
    }

    // OK hands the values on (a file destination without port and
    // protocol) and starts the next destination afresh.
    void acceptedValues_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QVariantList>("values");
        QTest::newRow("file") << "file" << QVariantList{QStringLiteral("file"), QStringLiteral("d1"), QStringLiteral("/var/log/d1")};
        QTest::newRow("network") << "network"
                                 << QVariantList{QStringLiteral("network"), QStringLiteral("d1"), QStringLiteral("10.0.0.1"), 601, QStringLiteral("udp")};
    }

    void acceptedValues()
    {
        QFETCH(QString, type);
        QFETCH(QVariantList, values);
        Fixture fixture;
        fixture.fill(type, values[1].toString(), values[2].toString());
        if (values.size() == 5) {
            fixture.widget<QSpinBox>("portEdit")->setValue(values[3].toInt());
            fixture.widget<QComboBox>("protocolEdit")->setCurrentText(values[4].toString());
        }
        QVariantList emitted;
        connect(&fixture.dialog, &AddDestinationDialog::newDestCreated, this, [&emitted](std::vector<QVariant> given) {
            emitted = QVariantList(given.cbegin(), given.cend());
        });
        fixture.okButton()->click();
        QCOMPARE(emitted, values);
        QCOMPARE(fixture.dialog.result(), int(QDialog::Accepted));
        QVERIFY(fixture.widget<QLineEdit>("nameEdit")->text().isEmpty());
    }
};

QTEST_MAIN(AddDestinationDialogTest)

#include "adddestinationdialogtest.moc"
