/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <KJob>

#include <QTimer>
#include <QVariantMap>

// A job that ends, once started, the way it was told to: with an error code
// and text, or with reply data. It stands in for KAuth::ExecuteJob so that
// the services' handling of outcomes is tested without a helper.
class FakeJob : public KJob
{
public:
    FakeJob(int errorCode, const QString &errorText, const QVariantMap &data)
        : m_errorCode(errorCode)
        , m_errorText(errorText)
        , m_data(data)
    {
    }

    void start() override
    {
        QTimer::singleShot(0, this, [this] {
            if (m_errorCode != 0) {
                setError(m_errorCode);
                setErrorText(m_errorText);
            }
            emitResult();
        });
    }

    QVariantMap data() const
    {
        return m_errorCode == 0 ? m_data : QVariantMap();
    }

private:
    int m_errorCode;
    QString m_errorText;
    QVariantMap m_data;
};
