#include "DirectoryListBox.h"

#include <QDir>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

namespace {

// Indents each item by its depth, as a tree would, without the cost of a tree view.
class DepthIndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int kIndent = 12;

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem o(option);
        o.rect.adjust(index.data(DirectoryListBox::kDepthRole).toInt() * kIndent, 0, 0, 0);
        QStyledItemDelegate::paint(p, o, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.rwidth() += index.data(DirectoryListBox::kDepthRole).toInt() * kIndent;
        return s;
    }
};

}  // namespace

DirectoryListBox::DirectoryListBox(QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new DepthIndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setDirectory(item->data(kPathRole).toString()); });
}

void DirectoryListBox::setDirectory(const QString& path)
{
    const QString dir = QDir::cleanPath(QDir(path).absolutePath());
    if (dir == m_dir)
        return;
    m_dir = dir;
    reload();
    emit directoryChanged(m_dir);
}

void DirectoryListBox::reload()
{
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The path from the root down to the current directory.
    QStringList chain;
    QDir d(m_dir);
    chain.prepend(d.absolutePath());
    while (!d.isRoot() && d.cdUp())
        chain.prepend(d.absolutePath());

    int depth = 0;
    QListWidgetItem* current = nullptr;
    for (const QString& p : chain) {
        const QString name = QDir(p).isRoot() ? QDir::toNativeSeparators(p) : QDir(p).dirName();
        auto* item = new QListWidgetItem(open, name, this);
        item->setData(kPathRole, p);
        item->setData(kDepthRole, depth++);
        current = item;
    }
    const QStringList subdirs =
        QDir(m_dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& s : subdirs) {
        auto* item = new QListWidgetItem(closed, s, this);
        item->setData(kPathRole, QDir(m_dir).filePath(s));
        item->setData(kDepthRole, depth);
    }
    if (current)
        setCurrentItem(current);
}
