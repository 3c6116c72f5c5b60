#pragma once

#include "common/singlewindow.h"
#include "playlist/mainwindowapi.h"

#include <QWidget>

class QPushButton;

namespace quillet {

class DirectoryList;
class DriveList;
class FileList;

// The directory browser "Choose Directory": pick a drive and a directory, see its media files, add them all to
// the playlist or play one at once by double-clicking it. Done only hides the window, so the chosen directory
// stays while the program runs; the close box destroys it.
class Form2 : public QWidget, public SingleWindow<Form2>
{
    Q_OBJECT
public:
    explicit Form2(QWidget *parent = nullptr);
    // Disconnects the controls before QWidget's destructor hides the window and moves the focus.
    ~Form2() override;

    // A new window belongs to the main window.
    static QWidget *newWindowParent() { return MainWindowApi::ownerWidget(); }

    // The drive chosen: opens its directory in Dir1; a drive that cannot be read is ignored.
    void Drive1_Change();
    // The directory opened: File1 lists it.
    void Dir1_Change();
    // Plays the current file of File1 in the main player without adding it to the playlist.
    void File1_DblClick();
    // File1 lost the focus: its current entry is cleared.
    void File1_LostFocus();
    // Adds every listed file to the playlist in one batch, or says that there is nothing to add.
    void Command1_Click();
    // Done: hides the window.
    void Command4_Click();

    DriveList *Drive1 = nullptr;
    DirectoryList *Dir1 = nullptr;
    FileList *File1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command4 = nullptr;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void connectControls();
};

} // namespace quillet
