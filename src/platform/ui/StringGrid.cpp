#include "StringGrid.h"

#include <QHeaderView>
#include <QPalette>

class TextGridModel : public QAbstractTableModel {
public:
    explicit TextGridModel(const TextGrid& g, QObject* parent) : QAbstractTableModel(parent), m_g(g) {}

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
        if (role == Qt::BackgroundRole && (idx.column() < m_g.fixedCols() || row < m_g.fixedRows()))
            return QPalette().button();
        return {};
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
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
};

StringGrid::StringGrid(QWidget* parent) : QTableView(parent), m_model(new TextGridModel(m_grid, this))
{
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setShowGrid(true);
    verticalHeader()->setVisible(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(TextGrid::kDefaultRowHeight);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    setWordWrap(false);
    // A column the user drags keeps its width in the grid, as the grid control's own widths do.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int c, int, int w) {
        if (c < m_grid.colCount())
            m_grid.setColWidth(c, w);
    });
    refresh();
}

StringGrid::~StringGrid() = default;

void StringGrid::refresh()
{
    m_model->reset();
    for (int c = 0; c < m_grid.colCount(); ++c)
        setColumnWidth(c, m_grid.colWidth(c));
}
