/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "abstractwriter.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

class EventTreeItem;

// Writes the administrator's event settings: the event settings file, one
// member per event that carries an `overridden` node, holding only the
// overridden parameters in the shape of an event override, and the audit
// rules file with the rules of the rendered events that are switched on.
//
// Which nodes are written is decided by the `overridden` flags alone (set by
// the parser from the override markers and by the module's comparison with
// the reference tree); values are never compared here.
//
// The settings are built as a JSON object, so every value is escaped as JSON
// requires and the written file is always a well-formed document, whatever
// quotes, backslashes or line breaks the values hold.
class EventsWriter : public AbstractWriter
{
public:
    EventsWriter(ConfigAccessService &configAccessService, const QString &configFile, const QString &auditRulesFile);
    ~EventsWriter() override;

    // Writes the event settings file, then the audit rules file. True when both
    // were written; every failure is added to errors().
    bool writeConfig(TreeItem *root) override;

    // The event settings as lines: "{", one line per written event (in tree
    // order, each but the last followed by ","), "}". Joined, they parse to
    // createDocument(root).
    QStringList createConfig(TreeItem *root) override;

    // What the module shows after writeConfig(): values that could not be
    // written and files the helper failed to write.
    const QStringList &errors() const;

    // The event settings as a JSON object: event identifier -> override object.
    // Every rendering starts afresh: it replaces the collected audit rules and
    // the errors of an earlier rendering.
    QJsonObject createDocument(TreeItem *root);

    // The bytes of the event settings file: the document in Qt's indented form
    // (four-space indentation, members sorted by key).
    QByteArray renderEventSettings(TreeItem *root);

    // The bytes of the audit rules file for the latest rendering: each rule
    // once (first occurrence kept), one per line; empty when no rule was
    // collected.
    QByteArray renderAuditRules() const;

    QString auditRulesFile() const;

private:
    struct RenderedEvent {
        QString id;
        QJsonObject settings;
    };

    QList<RenderedEvent> render(TreeItem *root);
    void printMessages(EventTreeItem *item, QList<RenderedEvent> &events);
    QJsonObject renderEvent(EventTreeItem *event);
    QJsonValue printNested(EventTreeItem *item);
    QJsonValue prepareObjectArray(EventTreeItem *item);
    void prepareAuditParams(EventTreeItem *item);
    static bool checkOverlayItems(const EventTreeItem *item);

    bool writeEventsConfig(TreeItem *root);
    bool writeAuditRules();
    void addWriteError(const QString &path);

    QStringList m_errors;
    bool m_hasAuditRules = false;
    QStringList m_auditRules;
    QString m_auditRulesFile;
};
