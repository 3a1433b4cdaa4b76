/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QDialog>
#include <QRegularExpression>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <vector>

class QRegularExpressionValidator;
class TreeItem;

namespace Ui
{
class AddDestinationDialog;
}

// Asks for a new syslog-ng destination: a file or a network (remote syslog)
// target and its name, checked while typed. OK hands the values on in
// newDestCreated(); it is enabled only for valid input.
class AddDestinationDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AddDestinationDialog(QWidget *parent = nullptr);
    ~AddDestinationDialog() override;

    // The driver lines of the destinations that exist; their names are taken
    // at once, the items are not kept.
    void setDestItems(std::vector<TreeItem *> items);

    // The driver name of the selected type ("file", "network").
    QString destinationType() const;

    // No value: valid. A value, possibly empty: invalid, and why.
    std::optional<QString> nameValidationError() const;
    std::optional<QString> addressValidationError() const;
    std::optional<QString> inputValidationError() const;

public Q_SLOTS:
    void validateInput();
    // Fits the fields to the selected type and clears name and address.
    void updateControls();
    void accept() override;

Q_SIGNALS:
    // Driver name, destination name, path or address; for a network
    // destination also the port number and the protocol.
    void newDestCreated(std::vector<QVariant> values);

private:
    void chooseFile();

    Ui::AddDestinationDialog *ui;
    const QRegularExpression m_namePattern;
    const QRegularExpression m_addressPattern;
    QRegularExpressionValidator *m_addressValidator;
    QStringList m_destNames;
};
