#pragma once

#include <QComboBox>

// The drive box: the mounted volumes that hold real file systems, each shown as its root path
// and label. Choosing one emits driveChanged with the volume's root path.
class DriveBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveBox(QWidget *parent = nullptr);

    // Re-reads the mounted volumes.
    void refreshVolumes();
    // Root path of the selected volume ("/" for the file-system root).
    QString drive() const;
    // Selects the volume that holds `path` (the deepest mount point containing it) and emits
    // driveChanged. Returns false when no volume holds it.
    bool setDriveFor(const QString &path);
    // True when the volume at `root` can be read (a volume that cannot is "not ready").
    static bool isReady(const QString &root);

Q_SIGNALS:
    void driveChanged(const QString &root);

private:
    // Re-reads the volumes before the list opens, so a medium inserted since shows up.
    void showPopup() override;
    void chooseIndex(int index);
};
