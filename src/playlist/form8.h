#pragma once

#include "common/singlewindow.h"
#include "playlist/mainwindowapi.h"

#include <QWidget>

class QPushButton;

namespace quillet {

class DirectoryList;
class DriveList;

// The root-directory chooser "Choose Root Directory": the directory against which playlist entries without a
// full path are resolved. Choosing closes and destroys the window.
class Form8 : public QWidget, public SingleWindow<Form8>
{
    Q_OBJECT
public:
    explicit Form8(QWidget *parent = nullptr);

    // A new window belongs to the main window.
    static QWidget *newWindowParent() { return MainWindowApi::ownerWidget(); }

    // The drive chosen: opens its directory in Dir1; a drive that cannot be read is ignored.
    void Drive1_Change();
    // Stores Dir1's directory, ending with "/", as the main window's root directory and closes the window.
    void Command1_Click();

    DriveList *Drive1 = nullptr;
    DirectoryList *Dir1 = nullptr;
    QPushButton *Command1 = nullptr;

private:
    void connectControls();
};

} // namespace quillet
