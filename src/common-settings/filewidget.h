/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QWidget>

namespace Ui
{
class FileWidget;
}

// A file name field with a button that chooses an archive ("*.tar.gz").
class FileWidget : public QWidget
{
    Q_OBJECT
public:
    explicit FileWidget(QWidget *parent = nullptr);
    ~FileWidget() override;

    // The button asks for a file to save (`save`) or to open.
    void init(bool save);
    QString filePath() const;
    void clear();

private:
    Ui::FileWidget *ui;
};
