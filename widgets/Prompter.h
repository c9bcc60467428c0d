#pragma once

#include "base/Errors.h"

#include <QMessageBox>
#include <QString>

class QFileDialog;
class QPrintDialog;
class QWidget;

// The kinds of message box the program shows.
enum class BoxKind {
    Error,   // error icon, OK
    Warning, // warning icon, OK
    Plain,   // no icon, OK or Yes/No
};

// Every message box and file dialog goes through the current prompter, so that tests can answer
// them without a modal loop.
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual QMessageBox::StandardButton message(QWidget *parent, BoxKind kind, const QString &text,
                                                QMessageBox::StandardButtons buttons);
    // Runs a configured file dialog; returns the chosen path, or empty text when cancelled.
    virtual QString chooseFile(QFileDialog &dialog);
    // Runs a print dialog; true when the user chose to print (its printer is then set up).
    virtual bool choosePrinter(QPrintDialog &dialog);
};

Prompter &prompter();
// Installs another prompter (tests); nullptr restores the one that shows real windows.
void setPrompter(Prompter *replacement);

inline void showError(QWidget *parent, const QString &text)
{
    prompter().message(parent, BoxKind::Error, text, QMessageBox::Ok);
}
inline void showWarning(QWidget *parent, const QString &text)
{
    prompter().message(parent, BoxKind::Warning, text, QMessageBox::Ok);
}
// A plain box with Yes and No, for the questions before a deletion; No is its default button.
inline bool askYesNo(QWidget *parent, const QString &text)
{
    return prompter().message(parent, BoxKind::Plain, text, QMessageBox::Yes | QMessageBox::No)
           == QMessageBox::Yes;
}
inline void showPlain(QWidget *parent, const QString &text)
{
    prompter().message(parent, BoxKind::Plain, text, QMessageBox::Ok);
}

// Runs an event handler: an unexpected failure ends it and is shown in an error box, with a full
// stop added. Nothing escapes into the event loop.
template <typename Handler>
void guarded(QWidget *parent, Handler &&handler)
{
    try {
        handler();
    } catch (const AppError &e) {
        showError(parent, e.text() + QLatin1Char('.'));
    } catch (const std::exception &e) {
        showError(parent, QString::fromLocal8Bit(e.what()) + QLatin1Char('.'));
    }
}
