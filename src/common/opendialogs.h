#pragma once

#include <QString>

namespace quillet {

// The dialogs of the dialog service that are open now. Each runs an event loop of its own until the user answers;
// work that arrives from outside meanwhile (a desktop call, a file handed over) must not open another one inside it.
class OpenDialogs
{
public:
    // Counts a dialog as open for the life of the object; a message box gives its text.
    class Scope
    {
    public:
        explicit Scope(const QString &messageText = {});
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        QString m_messageText;
    };

    // How many dialogs are open.
    static int count();
    // Whether a message box with exactly this text is open.
    static bool showsMessage(const QString &text);
    // How many dialogs have been opened since the program started (a dialog that opened and closed meanwhile
    // changes it too).
    static quint64 openedSoFar();
};

} // namespace quillet
