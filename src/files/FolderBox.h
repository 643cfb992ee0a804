#pragma once

#include <QListWidget>

class QKeyEvent;

// The folder box: the current folder's ancestors and its direct sub-folders, indented like a
// tree. A single click only moves the highlight; a double click (or Enter) makes the clicked
// folder current, which changes the path and emits pathChanged.
class FolderBox : public QListWidget
{
    Q_OBJECT
public:
    explicit FolderBox(QWidget *parent = nullptr);

    // The current folder, absolute, without a trailing "/" (the root stays "/").
    QString path() const;
    // Makes `folder` current and lists it. Returns false (path unchanged) when it is not a
    // folder that can be read. Emits pathChanged whenever the path is set, even to the same
    // folder, as the change event of the box.
    bool setPath(const QString &folder);

Q_SIGNALS:
    void pathChanged(const QString &path);

private:
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void openItem(QListWidgetItem *item);
    void scheduleListing();
    void listFolders();

    QString m_path;
    // While the box is disabled (a scan runs and moves it from folder to folder) only the
    // path's ancestors are shown; the sub-folders are listed once it is enabled again.
    bool m_subFoldersListed = true;
    bool m_listingScheduled = false;
};
