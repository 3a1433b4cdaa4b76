/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "guiutils.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace
{
// Runs `answer` on the next message box that opens.
void whenBoxOpens(const std::function<void(QMessageBox *)> &answer)
{
    QTimer::singleShot(0, [answer] {
        QMessageBox *box = nullptr;
        for (int i = 0; i < 200 && !box; ++i) {
            box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box) {
                QTest::qWait(10);
            }
        }
        if (box) {
            answer(box);
        }
    });
}
}

class GuiUtilsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rebootQuestion_data();
    void rebootQuestion();
    void brokenNotifyConfigWarning();
};

void GuiUtilsTest::rebootQuestion_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("expected");
    QTest::newRow("yes") << int(QMessageBox::Yes) << true;
    QTest::newRow("no") << int(QMessageBox::No) << false;
    QTest::newRow("closed") << int(QMessageBox::Escape) << false;
    // Enter takes the default button.
    QTest::newRow("enter") << int(QMessageBox::NoButton) << false;
}

void GuiUtilsTest::rebootQuestion()
{
    QFETCH(int, button);
    QFETCH(bool, expected);
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QAbstractButton *defaultButton = nullptr;
    QAbstractButton *noButton = nullptr;
    whenBoxOpens([&](QMessageBox *box) {
        title = box->windowTitle();
        text = box->text();
        buttons = box->standardButtons();
        defaultButton = box->defaultButton();
        noButton = box->button(QMessageBox::No);
        if (button == QMessageBox::Escape) {
            box->reject();
        } else if (button == QMessageBox::NoButton) {
            QTest::keyClick(box, Qt::Key_Return);
        } else {
            box->button(QMessageBox::StandardButton(button))->click();
        }
    });

    QCOMPARE(Gui::Utils::confirmAboutReboot(QStringLiteral("Configuration imported successfully.")), expected);
    QCOMPARE(title, QStringLiteral("Reboot"));
    QCOMPARE(text, QStringLiteral("Configuration imported successfully.\nReboot now?"));
    QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);
    QVERIFY(noButton);
    QCOMPARE(defaultButton, noButton);
}

void GuiUtilsTest::brokenNotifyConfigWarning()
{
    QWidget parent;
    QString title;
    QString text;
    QWidget *boxParent = nullptr;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenBoxOpens([&](QMessageBox *box) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        boxParent = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });

    Gui::Utils::confirmAboutBrokenNotifyConfig(&parent, QStringLiteral("User login failed"));
    QCOMPARE(title, QStringLiteral("Error"));
    QCOMPARE(text, QStringLiteral("Config file for \"User login failed\" is broken."));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(boxParent, &parent);
}

QTEST_MAIN(GuiUtilsTest)

#include "guiutilstest.moc"
