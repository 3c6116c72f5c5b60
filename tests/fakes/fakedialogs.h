#pragma once

#include "common/dialogservice.h"
#include "common/messagetext.h"
#include "common/opendialogs.h"

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
    FakeDialogs() { setDialogService(this); }
    ~FakeDialogs() override { setDialogService(nullptr); }

    // As the real box: the text shortened in the middle, and a text that is on screen already not shown again.
    void message(const QString &text) override
    {
        const QString shown = shortenedInMiddle(text);
        if (OpenDialogs::showsMessage(shown))
            return;
        const OpenDialogs::Scope open(shown);
        messages << shown;
        if (onMessage)
            onMessage(shown);
    }
    QString question(const QString &text, const QStringList &choices) override
    {
        questions << text;
        const QString answer = next(questionAnswers);
        // Like the real box, an answer is one of the choices; closing it chooses the last.
        return choices.contains(answer) ? answer : choices.value(choices.size() - 1);
    }
    QString inputBox(const QString &prompt, const QString &, const QString &) override
    {
        inputPrompts << prompt;
        return next(inputAnswers);
    }
    QString openFileName(const FileDialogRequest &request) override
    {
        openRequests << request;
        return next(openAnswers);
    }
    QString saveFileName(const FileDialogRequest &request) override
    {
        saveRequests << request;
        return next(saveAnswers);
    }
    // The colour and font dialogs are cancelled.
    std::optional<QColor> chooseColour(const QColor &) override { return {}; }
    std::optional<QFont> chooseFont(const QFont &) override { return {}; }

    // Scripted answers, taken first to last.
    QQueue<QString> questionAnswers;
    QQueue<QString> inputAnswers;
    QQueue<QString> openAnswers;
    QQueue<QString> saveAnswers;

    // What was shown: message texts in order, and the requests of the file dialogs.
    QStringList messages;
    QStringList questions;
    QStringList inputPrompts;
    QList<FileDialogRequest> openRequests;
    QList<FileDialogRequest> saveRequests;
    // Called inside message(), e.g. to check the state at the moment a message is shown.
    std::function<void(const QString &)> onMessage;

private:
    template<typename T> static T next(QQueue<T> &answers) { return answers.isEmpty() ? T() : answers.dequeue(); }
};

} // namespace quillet::testing
