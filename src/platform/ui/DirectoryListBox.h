#pragma once

#include <QListWidget>
#include <QString>

// A directory chooser in one flat list: the current directory's path from the
// root down, one item per component, followed by its subdirectories, each item
// indented by its depth. Activating an item (double-click or Enter) makes it the
// current directory. Built with QDir on demand, so what it shows is the file
// system at the moment of the last change.
class DirectoryListBox : public QListWidget {
    Q_OBJECT
public:
    explicit DirectoryListBox(QWidget* parent = nullptr);

    QString directory() const { return m_dir; }
    // Emits directoryChanged when the directory is a different one.
    void setDirectory(const QString& path);
    // Reads the current directory's subdirectories again.
    void reload();

    static constexpr int kPathRole = Qt::UserRole;
    static constexpr int kDepthRole = Qt::UserRole + 1;

signals:
    void directoryChanged(const QString& path);

private:
    QString m_dir;
};
