#pragma once

#include "playlist/filepattern.h"

#include <QListWidget>

namespace quillet {

// The file list File1: the files of one directory whose names match a pattern, in alphabetical order without
// regard to case. Folders and hidden files are not listed.
class FileList : public QListWidget
{
    Q_OBJECT
public:
    explicit FileList(QWidget *parent = nullptr);

    // The listed directory (empty before the first setPath).
    QString path() const { return m_path; }
    // Lists a directory; returns false and keeps the listing when it does not exist or cannot be read.
    bool setPath(const QString &path);
    // The wildcards that names must match ("*.mp3;*.wav").
    QString pattern() const { return m_pattern.text(); }
    void setPattern(const QString &pattern);
    // Lists the directory again.
    void refresh();

    // The listed file names in order.
    QStringList fileNames() const;
    // The full path of a listed name: the directory, exactly one "/", and the name.
    QString filePath(const QString &name) const;
    // The current index, -1 for none.
    int listIndex() const { return currentRow(); }
    // Makes an entry current (-1 clears the current entry and the selection).
    void setListIndex(int index);

signals:
    // The list lost the keyboard focus.
    void lostFocus();

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    void fill();

    QString m_path;
    FilePattern m_pattern;
};

} // namespace quillet
