#pragma once

#include "common/dialogservice.h"

namespace quillet {

// The dialog service of the running program: Qt's message box, input dialog and file, colour and font dialogs,
// each parented to the active window.
class QtDialogService : public DialogService
{
public:
    void message(const QString &text) override;
    QString question(const QString &text, const QStringList &choices) override;
    QString inputBox(const QString &prompt, const QString &title, const QString &defaultText) override;
    QString openFileName(const FileDialogRequest &request) override;
    QString saveFileName(const FileDialogRequest &request) override;
    std::optional<QColor> chooseColour(const QColor &initial) override;
    std::optional<QFont> chooseFont(const QFont &initial) override;
};

} // namespace quillet
