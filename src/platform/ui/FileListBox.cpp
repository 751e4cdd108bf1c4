#include "FileListBox.h"

#include <QDir>
#include <QRegularExpression>

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
    // Several patterns are separated by ";" or blanks. Without
    // QDir::CaseSensitive a pattern matches "CHEQUE.XLS" too.
    static const QRegularExpression separators(QStringLiteral("[;\\s]+"));
    QStringList patterns = m_mask.split(separators, Qt::SkipEmptyParts);
    if (patterns.isEmpty())
        patterns << QStringLiteral("*");
    addItems(QDir(m_dir).entryList(patterns, QDir::Files, QDir::Name | QDir::IgnoreCase));
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
