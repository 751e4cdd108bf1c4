#include "FileListBox.h"

#include <QDir>

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void FileListBox::setDirectory(const QString& path)
{
    m_dir = QDir::cleanPath(QDir(path).absolutePath());
    reload();
}

void FileListBox::setMask(const QString& mask)
{
    m_mask = mask;
    reload();
}

void FileListBox::reload()
{
    clear();
    if (m_dir.isEmpty())
        return;
    // Without QDir::CaseSensitive the mask matches "CHEQUE.XLS" too.
    addItems(QDir(m_dir).entryList(QStringList{m_mask}, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

QString FileListBox::fileName() const
{
    const auto selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

QString FileListBox::filePath() const
{
    const QString name = fileName();
    return name.isEmpty() ? QString() : QDir(m_dir).filePath(name);
}
