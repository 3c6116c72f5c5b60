#pragma once

#include "common/singlewindow.h"
#include "playlist/mainwindowapi.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace quillet {

class DirectoryList;
class DriveList;
class FileSearch;

// The file search "Search For MP3 Files": searches the tree below the chosen directory for files whose names end
// with the typed ending, lists them and adds them to the playlist. The search runs beside the window, which stays
// usable and shows the count as it grows; pressing the search button again cancels it.
class Form9 : public QWidget, public SingleWindow<Form9>
{
    Q_OBJECT
public:
    explicit Form9(QWidget *parent = nullptr);
    ~Form9() override;

    // A new window belongs to the main window.
    static QWidget *newWindowParent() { return MainWindowApi::ownerWidget(); }

    // The drive chosen: opens its directory in Dir1; a drive that cannot be read is ignored.
    void Drive1_Change();
    // Starts a search of Dir1's directory for Combo1's ending, or cancels the running one.
    void Command1_Click();
    // Adds every path found to the playlist in one batch, or says that there is nothing to add.
    void Command2_Click();

    // Whether a search is running.
    bool isSearching() const;
    // The label text for a count: a blank, the count and " Files Found".
    static QString foundText(qint64 count);

    DriveList *Drive1 = nullptr;
    DirectoryList *Dir1 = nullptr;
    QComboBox *Combo1 = nullptr;
    QPushButton *Command1 = nullptr;
    QListWidget *List1 = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *Command2 = nullptr;

signals:
    // A search ended, completed or cancelled.
    void searchFinished();

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void connectControls();
    void search_Found(const QStringList &paths, qint64 total);
    void search_Finished(qint64 total, bool cancelled);

    FileSearch *m_search = nullptr;
};

} // namespace quillet
