/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "changesdialog.h"
#include "ui_changesdialog.h"

#include "guiutils.h"

#include "unifieddiff.h"

#include <KColorScheme>
#include <KLocalizedString>
#include <KMessageWidget>

#include <QFontDatabase>
#include <QSyntaxHighlighter>

namespace
{
// Colours the lines of a unified diff: removed, added, hunk headers and file
// headers, in the colours of the view's colour scheme.
class DiffHighlighter : public QSyntaxHighlighter
{
public:
    explicit DiffHighlighter(QTextDocument *document)
        : QSyntaxHighlighter(document)
    {
        const KColorScheme scheme(QPalette::Active, KColorScheme::View);
        m_removed.setForeground(scheme.foreground(KColorScheme::NegativeText));
        m_added.setForeground(scheme.foreground(KColorScheme::PositiveText));
        m_hunk.setForeground(scheme.foreground(KColorScheme::LinkText));
        m_file.setFontWeight(QFont::Bold);
    }

protected:
    void highlightBlock(const QString &text) override
    {
        if (text.startsWith(QLatin1String("--- ")) || text.startsWith(QLatin1String("+++ "))) {
            setFormat(0, text.size(), m_file);
        } else if (text.startsWith(QLatin1String("@@"))) {
            setFormat(0, text.size(), m_hunk);
        } else if (text.startsWith(QLatin1Char('-'))) {
            setFormat(0, text.size(), m_removed);
        } else if (text.startsWith(QLatin1Char('+'))) {
            setFormat(0, text.size(), m_added);
        }
    }

private:
    QTextCharFormat m_removed;
    QTextCharFormat m_added;
    QTextCharFormat m_hunk;
    QTextCharFormat m_file;
};
}

ChangesDialog::ChangesDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ChangesDialog)
    , m_problem(new KMessageWidget(this))
{
    ui->setupUi(this);
    Gui::Utils::useStandardButtonTexts(ui->buttonBox);
    setWindowTitle(i18n("Changes to apply"));
    ui->introLabel->setText(i18n("Apply writes, replaces or removes these files. Lines starting with \"-\" go, lines starting with \"+\" come."));
    ui->diffView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    new DiffHighlighter(ui->diffView->document());
    m_problem->setMessageType(KMessageWidget::Error);
    m_problem->setWordWrap(true);
    m_problem->setCloseButtonVisible(false);
    m_problem->hide();
    ui->verticalLayout->insertWidget(0, m_problem);
}

ChangesDialog::~ChangesDialog()
{
    delete ui;
}

void ChangesDialog::showChanges(const QList<PlannedFile> &files, const QString &problem)
{
    m_problem->setText(problem.toHtmlEscaped().replace(QLatin1Char('\n'), QLatin1String("<br/>")));
    m_problem->setVisible(!problem.isEmpty());
    ui->diffView->setPlainText(UnifiedDiff::preview(files));
    open();
}

QString ChangesDialog::text() const
{
    return ui->diffView->toPlainText();
}
