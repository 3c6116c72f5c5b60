#pragma once

#include "common/dialogservice.h"

#include <QQueue>
#include <QStringList>

#include <functional>

namespace quillet::testing {

// A dialog service that answers from scripted queues and records everything it was asked.
// An empty queue answers as a user who cancels.
class FakeDialogs : public DialogService
{
public:
    // Installs itself as the program's dialog service; uninstalls on destruction.
    FakeDialogs();
    ~FakeDialogs() override;

    void message(const QString &text) override;
    QString inputBox(const QString &prompt, const QString &title, const QString &defaultText) override;
    QString openFileName(const FileDialogRequest &request) override;
    QString saveFileName(const FileDialogRequest &request) override;
    std::optional<QColor> chooseColour(const QColor &initial) override;
    std::optional<QFont> chooseFont(const QFont &initial) override;

    // Scripted answers, taken first to last.
    QQueue<QString> inputAnswers;
    QQueue<QString> openAnswers;
    QQueue<QString> saveAnswers;
    QQueue<std::optional<QColor>> colourAnswers;
    QQueue<std::optional<QFont>> fontAnswers;

    // What was shown: message texts in order, and the requests of the file dialogs.
    QStringList messages;
    QStringList inputPrompts;
    QList<FileDialogRequest> openRequests;
    QList<FileDialogRequest> saveRequests;
    // Called inside message(), e.g. to check the state at the moment a message is shown.
    std::function<void(const QString &)> onMessage;
};

} // namespace quillet::testing
