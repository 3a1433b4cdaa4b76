/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "fakeauditservice.h"

#include "actionids.h"

#include <KAuth/Action>
#include <KJob>

#include <QTimer>

namespace
{
// A job that ends as soon as the event loop runs, with the outcome it was
// given.
class FinishedJob : public KJob
{
    Q_OBJECT
public:
    FinishedJob(const QString &failure, const QVariantMap &data)
        : m_data(data)
    {
        if (!failure.isEmpty()) {
            setError(KJob::UserDefinedError);
            setErrorText(failure);
        }
    }

    void start() override
    {
        QTimer::singleShot(0, this, [this]() {
            emitResult();
        });
    }

    QVariantMap data() const
    {
        return m_data;
    }

private:
    QVariantMap m_data;
};

const QString AuditTypeKey = QStringLiteral("AUDIT_TYPE");
constexpr int OtherType = 4;

FakeAuditService::StoreKey storeKey(const QString &key, int auditType)
{
    if (auditType == OtherType) {
        return {key, auditType, QString()};
    }
    const int separator = key.indexOf(QLatin1Char('/'));
    return {key.left(separator), auditType, key.mid(separator + 1)};
}
}

FakeAuditService::FakeAuditService(QObject *parent)
    : AuditService(parent)
{
}

void FakeAuditService::setFailure(const QString &text)
{
    m_failure = text;
}

void FakeAuditService::setValue(const QString &auditId, int auditType, const QString &subject, int value)
{
    m_store.insert({auditId, auditType, subject}, value);
}

int FakeAuditService::value(const QString &auditId, int auditType, const QString &subject) const
{
    return m_store.value({auditId, auditType, subject}, 0);
}

QMap<FakeAuditService::StoreKey, int> FakeAuditService::store() const
{
    return m_store;
}

QList<QVariantMap> FakeAuditService::writes() const
{
    QList<QVariantMap> maps;
    for (const Request &request : requests) {
        if (request.action == QLatin1String(ActionIds::SetAuditSettings)) {
            maps.append(request.arguments);
        }
    }
    return maps;
}

KJob *FakeAuditService::createJob(KAuth::Action &action)
{
    requests.append({action.name(), action.helperId(), action.arguments()});
    if (!m_failure.isEmpty()) {
        return new FinishedJob(m_failure, {});
    }
    if (action.name() == QLatin1String(ActionIds::GetAuditSettings)) {
        return new FinishedJob(QString(), answerRead(action.arguments()));
    }
    if (action.name() == QLatin1String(ActionIds::SetAuditSettings)) {
        const bool written = answerWrite(action.arguments());
        return new FinishedJob(written ? QString() : QString::fromLatin1(ActionIds::AuditUnchangedError), {});
    }
    return new FinishedJob(QStringLiteral("No such action"), {});
}

QVariantMap FakeAuditService::jobData(KJob *job) const
{
    const auto *finished = qobject_cast<FinishedJob *>(job);
    return finished ? finished->data() : QVariantMap();
}

QVariantMap FakeAuditService::answerRead(const QVariantMap &arguments) const
{
    const int auditType = arguments.value(QStringLiteral("auditType")).toInt();
    const QStringList subjects = arguments.value(QStringLiteral("list")).toStringList();
    QVariantMap reply;
    for (const QString &auditId : arguments.value(QStringLiteral("auditIDs")).toStringList()) {
        if (auditType == OtherType) {
            reply.insert(auditId, value(auditId, auditType, QString()));
            continue;
        }
        for (const QString &subject : subjects) {
            reply.insert(auditId + QLatin1Char('/') + subject, value(auditId, auditType, subject));
        }
    }
    return reply;
}

bool FakeAuditService::answerWrite(const QVariantMap &arguments)
{
    const int auditType = arguments.value(AuditTypeKey).toInt();
    bool changed = false;
    for (auto it = arguments.cbegin(); it != arguments.cend(); ++it) {
        if (it.key() != AuditTypeKey && m_store.value(storeKey(it.key(), auditType), 0) != it.value().toInt()) {
            changed = true;
        }
    }
    if (!changed) {
        return false;
    }
    for (auto it = arguments.cbegin(); it != arguments.cend(); ++it) {
        if (it.key() != AuditTypeKey) {
            m_store.insert(storeKey(it.key(), auditType), it.value().toInt());
        }
    }
    return true;
}

#include "fakeauditservice.moc"
