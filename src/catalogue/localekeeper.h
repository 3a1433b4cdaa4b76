/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>

// The English name of the system locale's language, taken once per process.
// It chooses between the Russian and the English texts of the catalogue.
class LocaleKeeper
{
public:
    static LocaleKeeper &Instance();

    QString language() const;
    bool isRussian() const;

private:
    LocaleKeeper();
    Q_DISABLE_COPY(LocaleKeeper)

    const QString m_language;
    const bool m_russian;
};
