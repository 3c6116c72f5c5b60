#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace quillet {

// The program's other windows, created on first use and reused afterwards, and closed in a fixed order at
// shutdown. They are top-level windows of their own, so hiding the main window leaves them alone. The
// playlist windows keep their own single instance (FormN::open()).
class WindowRegistry : public QObject
{
    Q_OBJECT
public:
    explicit WindowRegistry(QObject *parent = nullptr);
    ~WindowRegistry() override;

    // Shows the directory browser.
    void showDirectoryBrowser();
    // Shows the file search.
    void showFileSearch();
    // Shows the root-directory chooser.
    void showRootChooser();
    // Shows the preferences; opened from another window (the remote), in front of that window.
    void showPreferences(QWidget *owner = nullptr);
    // Shows the file types window.
    void showFileTypes();
    // Shows the about window.
    void showAbout();
    // Shows the video playlist window, handing it a file when one is given.
    void showVideoPlayer(const QString &fileName = {});
    // The visual options window, created hidden on first use.
    class Form4 *visualOptions();
    // Makes the visual options window visible.
    void showVisualOptions();
    // Shows the remote control.
    void showRemote();
    // Shows the tag editor, then hands it the playlist entry to open; it reads from and guards the main player.
    void showTagEditor(class MediaPlayer *mainPlayer, const QString &entry);
    // Shows the ID3 playlist window.
    void showId3Playlist();

    // Closes every window in the shutdown order.
    void closeAll();

    // The window of a kind when it exists (tests).
    template<typename T>
    T *find() const
    {
        for (const QPointer<QWidget> &window : m_windows) {
            if (auto *typed = qobject_cast<T *>(window.data()))
                return typed;
        }
        return nullptr;
    }

private:
    // The existing window of a kind, or a new one.
    template<typename T>
    T *window()
    {
        if (T *existing = find<T>())
            return existing;
        auto *created = new T(nullptr);
        m_windows.removeAll(nullptr);
        m_windows.append(created);
        return created;
    }
    static void present(QWidget *window);
    // Moves a window that is about to open for the first time over the middle of another, wholly on its screen.
    static void placeOver(QWidget *window, const QWidget *other);

    QList<QPointer<QWidget>> m_windows;
    QPointer<QWidget> m_tagEditor;
    bool m_visualOptionsPlaced = false;
};

} // namespace quillet
