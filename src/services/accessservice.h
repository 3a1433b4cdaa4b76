/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

class KJob;

namespace KAuth
{
class Action;
}

// The module's client of the privileged helper: runs KAuth actions and keeps
// the outcome of the latest one, an error text and the reply data.
class AccessService : public QObject
{
    Q_OBJECT
public:
    explicit AccessService(QObject *parent);

    // Runs `action` and waits for its end. True exactly when the action
    // succeeded; otherwise errorString() tells why.
    bool execute(KAuth::Action &action);
    // Starts `action` and returns at once; its end is reported by finished()
    // or error().
    void executeAsync(KAuth::Action &action);

    // The reply data of the latest synchronous action; an invalid QVariant
    // for a key the reply does not carry.
    QVariant getActionResult(const QString &key) const;
    QVariantMap getActionResults() const;

    QString errorString() const;
    void setLastError(const QString &text);

    // Why a finished job failed: the job's own text, or a description of its
    // error code when KAuth gives none (a refused authorisation comes as
    // error 4 without text). Empty when the job succeeded.
    static QString failureText(const KJob *job);
    // A helper's error description for the administrator: the markers that
    // callers recognise a failure by stay English in the description itself
    // (the rest comes in the caller's language) and are translated here.
    static QString presentable(const QString &description);

Q_SIGNALS:
    // Both refer to the service's copy of the action, valid while the signal
    // is delivered.
    void finished(const KAuth::Action *action);
    void error(const KAuth::Action *action, const QString &message);

protected:
    // Creates the job that executes `action`.
    virtual KJob *createJob(KAuth::Action &action);
    // The reply data of a finished job.
    virtual QVariantMap jobData(KJob *job) const;

private:
    QString m_lastError;
    QVariantMap m_results;
};
