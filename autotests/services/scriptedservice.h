/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "fakejob.h"

#include <KAuth/Action>

#include <QList>

// A service of type Service whose actions are not sent to a helper: each
// action is recorded and ends with the next scripted outcome.
template<class Service>
class ScriptedService : public Service
{
public:
    struct Outcome {
        int errorCode = 0;
        QString errorText;
        QVariantMap data;
    };

    explicit ScriptedService(QObject *parent = nullptr)
        : Service(parent)
    {
    }

    QList<Outcome> outcomes;
    QList<KAuth::Action> actions;

protected:
    KJob *createJob(KAuth::Action &action) override
    {
        actions.append(action);
        const Outcome outcome = outcomes.isEmpty() ? Outcome() : outcomes.takeFirst();
        return new FakeJob(outcome.errorCode, outcome.errorText, outcome.data);
    }

    QVariantMap jobData(KJob *job) const override
    {
        return static_cast<FakeJob *>(job)->data();
    }
};
