/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "auditservice.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QVariantMap>

#include <tuple>

// An AuditService whose actions never leave the process: a stand-in for the
// helper answers them from an audit store in memory, the way the helper
// answers them from the system (reading every requested key, refusing a
// write that would change nothing with "Settings were not changed in
// system"). Every request is recorded.
class FakeAuditService : public AuditService
{
    Q_OBJECT
public:
    struct Request {
        QString action;
        QString helperId;
        QVariantMap arguments;
    };
    // (audit identifier, audit type, subject); the subject is "" for type 4.
    using StoreKey = std::tuple<QString, int, QString>;

    explicit FakeAuditService(QObject *parent = nullptr);

    // Every action fails with `text` (authorisation refused, helper gone)
    // while it is not empty.
    void setFailure(const QString &text);

    void setValue(const QString &auditId, int auditType, const QString &subject, int value);
    int value(const QString &auditId, int auditType, const QString &subject) const;
    QMap<StoreKey, int> store() const;

    QList<Request> requests;
    // The argument maps of the write requests, in order.
    QList<QVariantMap> writes() const;

protected:
    KJob *createJob(KAuth::Action &action) override;
    QVariantMap jobData(KJob *job) const override;

private:
    QVariantMap answerRead(const QVariantMap &arguments) const;
    bool answerWrite(const QVariantMap &arguments);

    QMap<StoreKey, int> m_store;
    QString m_failure;
};
