#include "widgets/Prompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QPrintDialog>

QMessageBox::StandardButton Prompter::message(QWidget *parent, BoxKind kind, const QString &text,
                                              QMessageBox::StandardButtons buttons)
{
    QMessageBox box(parent);
    switch (kind) {
    case BoxKind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setWindowTitle(QStringLiteral("Error"));
        break;
    case BoxKind::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(QStringLiteral("Warning"));
        break;
    case BoxKind::Plain:
        box.setIcon(QMessageBox::NoIcon);
        box.setWindowTitle(QApplication::applicationDisplayName());
        break;
    }
    box.setText(text);
    box.setStandardButtons(buttons);
    // Every Yes/No question asks before something is deleted: a habitual Enter answers No.
    if (buttons.testFlag(QMessageBox::No))
        box.setDefaultButton(QMessageBox::No);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString Prompter::chooseFile(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool Prompter::choosePrinter(QPrintDialog &dialog)
{
    return dialog.exec() == QDialog::Accepted;
}

namespace {
Prompter &windowPrompter()
{
    static Prompter real;
    return real;
}
Prompter *current = nullptr;
} // namespace

Prompter &prompter()
{
    return current ? *current : windowPrompter();
}

void setPrompter(Prompter *replacement)
{
    current = replacement;
}
