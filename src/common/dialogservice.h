#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace quillet {

// What an open or save dialog is asked to show.
struct FileDialogRequest
{
    QString title;
    // Filter in the "Description|*.a;*.b|Other|*.c" form: pairs of a description and its patterns.
    QString filter;
    QString initialDirectory;
    QString fileName;
};

// Message boxes, input boxes and the common dialogs, behind one interface so that tests can answer them.
// Every message box has the title "Quillet" and one OK button.
class DialogService
{
public:
    virtual ~DialogService() = default;

    // Shows a message box and returns when the user has pressed OK. A long text is shortened in the middle
    // (MaxMessageLength); a text that is on screen already is not shown again, and the call returns at once.
    virtual void message(const QString &text) = 0;
    // Asks a question with one button per choice and returns the text of the button pressed; closing the box
    // (Escape) chooses the last choice, which is also the answer of a service that cannot ask.
    virtual QString question(const QString &text, const QStringList &choices)
    {
        Q_UNUSED(text);
        return choices.isEmpty() ? QString() : choices.last();
    }
    // Asks for a line of text; returns the empty text when the user cancels.
    virtual QString inputBox(const QString &prompt, const QString &title, const QString &defaultText = {}) = 0;
    // Asks for a file to open; returns the empty text when the user cancels.
    virtual QString openFileName(const FileDialogRequest &request) = 0;
    // Asks for a file name to save to; returns the empty text when the user cancels.
    virtual QString saveFileName(const FileDialogRequest &request) = 0;
    // Asks for a colour; nothing when the user cancels.
    virtual std::optional<QColor> chooseColour(const QColor &initial) = 0;
    // Asks for a font; nothing when the user cancels.
    virtual std::optional<QFont> chooseFont(const QFont &initial) = 0;
};

// The dialog service every window uses: the Qt one unless a test installed another.
DialogService &dialogs();

// Installs a dialog service (tests); nullptr goes back to the Qt one. The caller keeps ownership.
void setDialogService(DialogService *service);

// Turns a "Description|*.a;*.b|Other|*" filter into Qt's "Description (*.a *.b);;Other (*)" form.
QString qtFileFilter(const QString &pipeFilter);

// The title of every message box.
inline QString messageTitle()
{
    return QStringLiteral("Quillet");
}

} // namespace quillet
