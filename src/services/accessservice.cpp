/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "accessservice.h"

#include "actionids.h"

#include <KAuth/Action>
#include <KAuth/ActionReply>
#include <KAuth/ExecuteJob>
#include <KLocalizedString>

#include <memory>

AccessService::AccessService(QObject *parent)
    : QObject(parent)
{
}

bool AccessService::execute(KAuth::Action &action)
{
    m_lastError.clear();
    // Deleted here rather than left to KJob's own deleteLater(): a job run
    // while the host shows its window, before the host's event loop starts,
    // would never be deleted, and every job alive keeps the application from
    // quitting.
    const std::unique_ptr<KJob> job(createJob(action));
    job->setAutoDelete(false);
    const bool succeeded = job->exec();
    if (!succeeded) {
        m_lastError = failureText(job.get());
    }
    m_results = jobData(job.get());
    return succeeded;
}

void AccessService::executeAsync(KAuth::Action &action)
{
    m_lastError.clear();
    KJob *job = createJob(action);
    // The job deletes itself after its result (KJob's auto-delete); one that
    // never ends goes with this service.
    job->setParent(this);
    auto pending = std::make_shared<KAuth::Action>(action);
    connect(job, &KJob::result, this, [this, pending](KJob *finishedJob) {
        if (finishedJob->error() != 0) {
            m_lastError = failureText(finishedJob);
            Q_EMIT error(pending.get(), m_lastError);
        } else {
            Q_EMIT finished(pending.get());
        }
    });
    job->start();
}

QVariant AccessService::getActionResult(const QString &key) const
{
    return m_results.value(key);
}

QVariantMap AccessService::getActionResults() const
{
    return m_results;
}

QString AccessService::errorString() const
{
    return m_lastError;
}

void AccessService::setLastError(const QString &text)
{
    m_lastError = text;
}

QString AccessService::failureText(const KJob *job)
{
    const int code = job->error();
    if (code == 0) {
        return QString();
    }
    const QString text = job->errorString();
    if (!text.isEmpty()) {
        return text;
    }
    switch (code) {
    case KAuth::ActionReply::NoResponderError:
        return i18n("The helper does not answer");
    case KAuth::ActionReply::NoSuchActionError:
        return i18n("No such action");
    case KAuth::ActionReply::InvalidActionError:
        return i18n("Invalid action");
    case KAuth::ActionReply::AuthorizationDeniedError:
        return i18n("Authorization denied");
    case KAuth::ActionReply::UserCancelledError:
        return i18n("Authorization cancelled");
    case KAuth::ActionReply::HelperBusyError:
        return i18n("The helper is busy");
    case KAuth::ActionReply::AlreadyStartedError:
        return i18n("The action is already running");
    case KAuth::ActionReply::DBusError:
        return i18n("D-Bus error");
    case KAuth::ActionReply::BackendError:
        return i18n("Authorization backend error");
    default:
        return i18n("The action failed (error %1)", code);
    }
}

QString AccessService::presentable(const QString &description)
{
    const std::pair<const char *, QString> markers[] = {
        {ActionIds::AuditUnchangedError, i18n("Settings were not changed in system")},
        {ActionIds::AuditWriteFailedError, i18n("Audit settings could not be written")},
        {ActionIds::NothingToRestoreError, i18n("No previous configuration is kept")},
        {ActionIds::ConfigRejectedError, i18n("The new configuration was rejected; nothing was installed")},
    };
    for (const auto &[marker, translation] : markers) {
        if (description.startsWith(QLatin1String(marker))) {
            return translation + description.mid(int(qstrlen(marker)));
        }
    }
    return description;
}

KJob *AccessService::createJob(KAuth::Action &action)
{
    // The helper answers in the administrator's language.
    action.addArgument(QLatin1String(ActionIds::LanguagesKey), KLocalizedString::languages());
    return action.execute();
}

QVariantMap AccessService::jobData(KJob *job) const
{
    const auto *executeJob = qobject_cast<KAuth::ExecuteJob *>(job);
    return executeJob ? executeJob->data() : QVariantMap();
}
