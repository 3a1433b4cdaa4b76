/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The polkit policy generated from the helper's .actions file: every action
// is there with the texts an authentication dialog shows, in English and in
// Russian, and keeps its authorisation for the session, so that one Apply asks
// for the password once.

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

namespace
{
struct PolicyAction {
    QString description;
    QString message;
    QString russianDescription;
    QString russianMessage;
    QString allowActive;
    QString allowInactive;
};
}

class PolicyFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyActionHasItsTexts()
    {
        QFile actionsFile(QStringLiteral(ACTIONS_FILE));
        QVERIFY(actionsFile.open(QIODevice::ReadOnly));
        const QRegularExpression group(QStringLiteral("^\\[([^\\]]+)\\]$"), QRegularExpression::MultilineOption);
        QStringList declared;
        for (auto it = group.globalMatch(QString::fromUtf8(actionsFile.readAll())); it.hasNext();) {
            declared.append(it.next().captured(1));
        }
        QVERIFY(!declared.isEmpty());

        QFile policyFile(QStringLiteral(POLICY_FILE));
        QVERIFY2(policyFile.open(QIODevice::ReadOnly), qPrintable(policyFile.fileName()));
        QHash<QString, PolicyAction> actions;
        QXmlStreamReader xml(&policyFile);
        QString current;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) {
                continue;
            }
            const auto name = xml.name();
            if (name == QLatin1String("action")) {
                current = xml.attributes().value(QStringLiteral("id")).toString();
                actions.insert(current, {});
            } else if (name == QLatin1String("description") || name == QLatin1String("message")) {
                const bool russian = xml.attributes().value(QStringLiteral("xml:lang")) == QLatin1String("ru");
                const bool description = name == QLatin1String("description");
                PolicyAction &action = actions[current];
                (description ? (russian ? action.russianDescription : action.description) : (russian ? action.russianMessage : action.message)) =
                    xml.readElementText();
            } else if (name == QLatin1String("allow_active")) {
                actions[current].allowActive = xml.readElementText();
            } else if (name == QLatin1String("allow_inactive")) {
                actions[current].allowInactive = xml.readElementText();
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));

        QStringList generated = actions.keys();
        generated.sort();
        declared.sort();
        QCOMPARE(generated, declared);
        for (auto it = actions.cbegin(); it != actions.cend(); ++it) {
            QVERIFY2(!it->description.trimmed().isEmpty(), qPrintable(it.key()));
            QVERIFY2(!it->message.trimmed().isEmpty(), qPrintable(it.key()));
            // The authentication dialog of a Russian session speaks Russian.
            for (const QString &text : {it->russianDescription, it->russianMessage}) {
                QVERIFY2(text.contains(QRegularExpression(QStringLiteral("^[А-Яа-яЁё ,]+$"))), qPrintable(it.key() + QLatin1String(": ") + text));
            }
            QCOMPARE(it->allowActive, QStringLiteral("auth_admin_keep"));
            QCOMPARE(it->allowInactive, QStringLiteral("auth_admin_keep"));
        }
    }
};

QTEST_GUILESS_MAIN(PolicyFileTest)

#include "policyfiletest.moc"
