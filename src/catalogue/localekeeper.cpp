/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "localekeeper.h"

#include <QLocale>

LocaleKeeper &LocaleKeeper::Instance()
{
    static LocaleKeeper keeper;
    return keeper;
}

LocaleKeeper::LocaleKeeper()
    : m_language(QLocale::languageToString(QLocale::system().language()))
    , m_russian(m_language == QLatin1String("Russian"))
{
}

QString LocaleKeeper::language() const
{
    return m_language;
}

bool LocaleKeeper::isRussian() const
{
    return m_russian;
}
