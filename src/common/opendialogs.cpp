#include "common/opendialogs.h"

#include <QStringList>

namespace quillet {

// Dialogs run on the window's thread only.
static int g_openDialogs = 0;
static quint64 g_openedSoFar = 0;
static QStringList g_openMessages;

OpenDialogs::Scope::Scope(const QString &messageText)
    : m_messageText(messageText)
{
    ++g_openDialogs;
    ++g_openedSoFar;
    if (!m_messageText.isEmpty())
        g_openMessages.append(m_messageText);
}

OpenDialogs::Scope::~Scope()
{
    --g_openDialogs;
    if (!m_messageText.isEmpty())
        g_openMessages.removeOne(m_messageText);
}

int OpenDialogs::count()
{
    return g_openDialogs;
}

bool OpenDialogs::showsMessage(const QString &text)
{
    return g_openMessages.contains(text);
}

quint64 OpenDialogs::openedSoFar()
{
    return g_openedSoFar;
}

} // namespace quillet
