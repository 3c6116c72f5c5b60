#include "app/mprisroot.h"

#include "app/desktopcommandgate.h"
#include "app/form1.h"

#include <QDBusContext>
#include <QTimer>

namespace quillet {

MprisRoot::MprisRoot(Form1 *form, QObject *exported)
    : QDBusAbstractAdaptor(exported)
    , m_form(form)
{
}

QStringList MprisRoot::uriSchemes()
{
    return {QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https")};
}

QStringList MprisRoot::mimeTypes()
{
    return {
        QStringLiteral("audio/mpeg"),
        QStringLiteral("audio/mp2"),
        QStringLiteral("audio/x-wav"),
        QStringLiteral("audio/x-ms-wma"),
        QStringLiteral("audio/x-aiff"),
        QStringLiteral("audio/x-aifc"),
        QStringLiteral("audio/flac"),
        QStringLiteral("audio/x-flac"),
        QStringLiteral("audio/ogg"),
        QStringLiteral("audio/x-vorbis+ogg"),
        QStringLiteral("audio/x-opus+ogg"),
        QStringLiteral("audio/x-flac+ogg"),
        QStringLiteral("audio/mp4"),
        QStringLiteral("audio/x-m4a"),
        QStringLiteral("audio/x-m4b"),
        QStringLiteral("audio/aac"),
        QStringLiteral("audio/wav"),
        QStringLiteral("audio/x-matroska"),
        QStringLiteral("audio/webm"),
        QStringLiteral("audio/basic"),
        QStringLiteral("audio/midi"),
        QStringLiteral("audio/x-ms-asx"),
        QStringLiteral("application/vnd.ms-asf"),
        QStringLiteral("video/mpeg"),
        QStringLiteral("video/x-msvideo"),
        QStringLiteral("video/x-ms-wmv"),
        QStringLiteral("video/quicktime"),
        QStringLiteral("video/mp4"),
        QStringLiteral("video/x-m4v"),
        QStringLiteral("video/x-matroska"),
        QStringLiteral("video/webm"),
        QStringLiteral("video/ogg"),
        QStringLiteral("audio/x-mpegurl"),
        QStringLiteral("application/vnd.apple.mpegurl"),
        QStringLiteral("audio/x-scpls"),
        QStringLiteral("application/x-quillet-skin"),
    };
}

// The commands run from the event loop, after the D-Bus reply has gone: a message box they open must not keep
// the caller waiting.
void MprisRoot::Raise()
{
    if (m_form)
        QTimer::singleShot(0, m_form, [form = m_form] { form->pichook_MouseMove(515); });
}

// Exit, like the other commands, waits until no dialog is open (see DesktopCommandGate).
void MprisRoot::Quit()
{
    if (!m_form)
        return;
    if (!DesktopCommandGate::isOpen()) {
        const auto *context = dynamic_cast<const QDBusContext *>(parent());
        if (context && context->calledFromDBus())
            context->sendErrorReply(QDBusError::Failed,
                QStringLiteral("Quillet is waiting for the user to answer a message; it was not closed."));
        return;
    }
    QTimer::singleShot(0, m_form, [form = m_form] {
        if (DesktopCommandGate::isOpen())
            form->exitProgram();
    });
}

} // namespace quillet
