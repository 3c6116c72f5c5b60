#pragma once

#include <QWidget>

class QPushButton;

namespace quillet {

class DirectoryList;
class DriveList;

// The root-directory chooser "Choose Root Directory": the directory against which playlist entries without a
// full path are resolved. Choosing closes and destroys the window.
class Form8 : public QWidget
{
    Q_OBJECT
public:
    explicit Form8(QWidget *parent = nullptr);

    // Shows the chooser without blocking; while one is open it is brought to the front instead of opening another.
    static Form8 *open();
    // The chooser while it exists, else nullptr.
    static Form8 *instance();
    // Destroys the chooser if it exists.
    static void unload();

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
