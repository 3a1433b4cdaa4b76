/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QObject>
#include <QString>

class TreeItem;

// Base of the parsers that read one configuration file into a tree.
class AbstractConfigParser : public QObject
{
    Q_OBJECT
public:
    AbstractConfigParser(const QString &configFile, QObject *parent = nullptr);
    ~AbstractConfigParser() override;

    // The root of a newly built tree that the caller owns, or null.
    virtual TreeItem *parse() const = 0;

    QString configFile() const;
    QString errorString() const;
    void setErrorString(const QString &error) const;

    // The whole file as UTF-8 text. An empty result comes with an error text:
    // the file could not be opened, or it holds nothing.
    QString readConfig() const;

private:
    const QString m_configFile;
    mutable QString m_errorString;
};
