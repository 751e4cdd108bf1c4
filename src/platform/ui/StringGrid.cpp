#include "StringGrid.h"

#include <QEvent>
#include <QHeaderView>
#include <QPalette>
#include <QScrollBar>
#include <QStyle>

#include <cmath>

class TextGridModel : public QAbstractTableModel {
public:
    TextGridModel(const TextGrid& g, const StringGrid& view, QObject* parent)
        : QAbstractTableModel(parent), m_g(g), m_view(view)
    {
    }

    int headerRows() const { return m_g.rowCount() > 0 ? std::min(m_g.fixedRows(), 1) : 0; }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : m_g.rowCount() - headerRows();
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : m_g.colCount();
    }
    QVariant data(const QModelIndex& idx, int role) const override
    {
        if (!idx.isValid())
            return {};
        const int row = idx.row() + headerRows();
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return m_g.cell(idx.column(), row);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(m_view.columnAlignment(idx.column()));
        if (role == Qt::BackgroundRole && (idx.column() < m_g.fixedCols() || row < m_g.fixedRows()))
            return QPalette().button();
        return {};
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (o == Qt::Horizontal && role == Qt::TextAlignmentRole)
            return QVariant::fromValue(m_view.columnAlignment(section));
        if (role != Qt::DisplayRole)
            return {};
        if (o == Qt::Horizontal)
            return headerRows() ? m_g.cell(section, 0) : QString();
        return section + headerRows();
    }
    Qt::ItemFlags flags(const QModelIndex& idx) const override
    {
        return idx.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }
    void reset()
    {
        beginResetModel();
        endResetModel();
    }

private:
    const TextGrid& m_g;
    const StringGrid& m_view;
};

StringGrid::StringGrid(QWidget* parent)
    : QTableView(parent), m_model(new TextGridModel(m_grid, *this, this))
{
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setShowGrid(true);
    verticalHeader()->setVisible(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    setWordWrap(false);
    // A column the user drags, or fits by double-clicking its divider, keeps
    // its width in the grid, as the grid control's own widths do.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &StringGrid::storeWidth);
    refresh();
}

StringGrid::~StringGrid() = default;

double StringGrid::scale() const
{
    return fontMetrics().averageCharWidth() / kOriginalCharWidth;
}

void StringGrid::setColumnLook(int col, Qt::Alignment alignment, const QString& widest)
{
    m_looks.insert(col, Look{alignment, widest});
}

Qt::Alignment StringGrid::columnAlignment(int col) const
{
    const auto it = m_looks.constFind(col);
    return (it == m_looks.cend() ? Qt::AlignLeft : it->alignment) | Qt::AlignVCenter;
}

int StringGrid::shownWidth(int col, int gridWidth) const
{
    int width = static_cast<int>(std::lround(gridWidth * scale()));
    // The header and the widest expected value are drawn whole.
    if (col < m_grid.colCount() && m_model->headerRows() > 0 && !m_grid.cell(col, 0).isEmpty())
        width = std::max(width, horizontalHeader()->sectionSizeHint(col));
    const auto it = m_looks.constFind(col);
    if (it != m_looks.cend() && !it->widest.isEmpty()) {
        // The item delegate's text margins on both sides, and the grid line.
        const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 1;
        width = std::max(width, fontMetrics().horizontalAdvance(it->widest) + margins + 2);
    }
    return width;
}

void StringGrid::applyWidths()
{
    m_applying = true;
    for (int c = 0; c < m_grid.colCount(); ++c)
        setColumnWidth(c, shownWidth(c, m_grid.colWidth(c)));
    m_applying = false;
    // Thai marks above and below the line need more than the original's 24 pixels at larger fonts.
    verticalHeader()->setDefaultSectionSize(std::max(TextGrid::kDefaultRowHeight, fontMetrics().height() + 8));
}

void StringGrid::storeWidth(int col, int, int width)
{
    if (m_applying || col >= m_grid.colCount())
        return;
    m_grid.setColWidth(col, static_cast<int>(std::lround(width / scale())));
}

void StringGrid::refresh()
{
    m_model->reset();
    applyWidths();
}

void StringGrid::scrollToStart()
{
    scrollToTop();
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
}

void StringGrid::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        applyWidths();
}
