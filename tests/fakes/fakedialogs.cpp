#include "fakes/fakedialogs.h"

namespace quillet::testing {

FakeDialogs::FakeDialogs()
{
    setDialogService(this);
}

FakeDialogs::~FakeDialogs()
{
    setDialogService(nullptr);
}

void FakeDialogs::message(const QString &text)
{
    messages << text;
    if (onMessage)
        onMessage(text);
}

QString FakeDialogs::inputBox(const QString &prompt, const QString &, const QString &)
{
    inputPrompts << prompt;
    return inputAnswers.isEmpty() ? QString() : inputAnswers.dequeue();
}

QString FakeDialogs::openFileName(const FileDialogRequest &request)
{
    openRequests << request;
    return openAnswers.isEmpty() ? QString() : openAnswers.dequeue();
}

QString FakeDialogs::saveFileName(const FileDialogRequest &request)
{
    saveRequests << request;
    return saveAnswers.isEmpty() ? QString() : saveAnswers.dequeue();
}

std::optional<QColor> FakeDialogs::chooseColour(const QColor &)
{
    return colourAnswers.isEmpty() ? std::nullopt : colourAnswers.dequeue();
}

std::optional<QFont> FakeDialogs::chooseFont(const QFont &)
{
    return fontAnswers.isEmpty() ? std::nullopt : fontAnswers.dequeue();
}

} // namespace quillet::testing
