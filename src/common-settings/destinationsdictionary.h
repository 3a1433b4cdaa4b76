/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>

#include <map>

// The destination types the common settings offer: a translated label for
// each syslog-ng driver name. One instance per process, made on first use.
class DestinationsDictionary
{
public:
    static DestinationsDictionary &Instance();

    // The label of the driver `parameter` ("file", "network"), the first in
    // the label order; empty when the driver is none of the offered types.
    QString findByParameter(const QString &parameter) const;

    // Translated label -> driver name.
    std::map<QString, QString> m_dict;

private:
    DestinationsDictionary();
    Q_DISABLE_COPY(DestinationsDictionary)
};
