#include "ui/product_list.h"

#include "text/encoding.h"
#include "text/numbers.h"
#include "ui/widgets.h"

#include <QHeaderView>

#include <algorithm>
#include <numeric>

namespace tk {

ProductListModel::ProductListModel(QObject* parent) : QAbstractTableModel(parent) {}

int ProductListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

int ProductListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kProductColumnCount;
}

bool ProductListModel::isNumericColumn(int column) {
    switch (column) {
    case ColNumber:
    case ColPrice:
    case ColRate:
    case ColCommission:
    case ColPromotion:
    case ColSales:
    case ColItemId: return true;
    default: return false;
    }
}

QVariant ProductListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count() || index.column() >= kProductColumnCount) return {};
    switch (role) {
    case Qt::DisplayRole: return FromGbk(cell(index.row(), index.column()));
    case Qt::ToolTipRole:
        if (index.column() == ColTitle || index.column() == ColLink || index.column() == ColNick)
            return FromGbk(cell(index.row(), index.column()));
        return {};
    case Qt::TextAlignmentRole:
        if (isNumericColumn(index.column())) return int(Qt::AlignCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default: return {};
    }
}

QVariant ProductListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kProductColumnCount) return {};
    if (role == Qt::DisplayRole) return QString::fromUtf8(kProductColumns[static_cast<size_t>(section)].header);
    return {};
}

void ProductListModel::append(const ProductRecord& row) {
    const auto stored = static_cast<uint32_t>(m_bounds.size() / kBounds);
    const int at = count();
    beginInsertRows({}, at, at);
    for (int col = 0; col < kProductColumnCount; ++col) {
        m_bounds.push_back(static_cast<uint32_t>(m_text.size()));
        m_text += row[col];
    }
    m_bounds.push_back(static_cast<uint32_t>(m_text.size()));
    m_order.push_back(stored);
    // A row that arrives after a sort stands at the end, so the list is no longer in that order.
    m_sortColumn = -1;
    endInsertRows();
}

void ProductListModel::clear() {
    beginResetModel();
    // Give the memory back: a cleared list of a long run should not keep its peak.
    std::string().swap(m_text);
    std::vector<uint32_t>().swap(m_bounds);
    std::vector<uint32_t>().swap(m_order);
    m_sortColumn = -1;
    endResetModel();
}

std::string_view ProductListModel::cell(int row, int column) const {
    if (row < 0 || row >= count() || column < 0 || column >= kProductColumnCount) return {};
    const uint32_t stored = m_order[static_cast<size_t>(row)];
    const uint32_t begin = cellBegin(stored, column);
    const uint32_t end = cellBegin(stored, column + 1);
    return std::string_view(m_text).substr(begin, end - begin);
}

ProductRecord ProductListModel::record(int row) const {
    ProductRecord r;
    for (int col = 0; col < kProductColumnCount; ++col) r[col] = std::string(cell(row, col));
    return r;
}

std::vector<ProductRecord> ProductListModel::records() const {
    std::vector<ProductRecord> out;
    out.reserve(m_order.size());
    for (int row = 0; row < count(); ++row) out.push_back(record(row));
    return out;
}

void ProductListModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kProductColumnCount || m_order.empty()) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<uint32_t> storedBefore;
    storedBefore.reserve(static_cast<size_t>(before.size()));
    for (const QModelIndex& i : before) storedBefore.push_back(m_order[static_cast<size_t>(i.row())]);

    auto text = [&](uint32_t stored) {
        const uint32_t b = cellBegin(stored, column);
        return std::string_view(m_text).substr(b, cellBegin(stored, column + 1) - b);
    };
    const bool descending = order == Qt::DescendingOrder;
    if (isNumericColumn(column)) {
        // Keys read once: a 50,000-row sort would otherwise parse each cell some thirty times.
        std::vector<double> key(m_bounds.size() / kBounds);
        for (uint32_t s : m_order) key[s] = TextToNumber(text(s));
        std::stable_sort(m_order.begin(), m_order.end(), [&](uint32_t a, uint32_t b) {
            return descending ? key[b] < key[a] : key[a] < key[b];
        });
    } else {
        std::stable_sort(m_order.begin(), m_order.end(), [&](uint32_t a, uint32_t b) {
            return descending ? text(b) < text(a) : text(a) < text(b);
        });
    }

    // Selections and the current row follow their rows.
    std::vector<int> shownAt(m_bounds.size() / kBounds);
    for (size_t row = 0; row < m_order.size(); ++row) shownAt[m_order[row]] = static_cast<int>(row);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.push_back(index(shownAt[storedBefore[static_cast<size_t>(i)]], before[i].column()));
    changePersistentIndexList(before, after);
    m_sortColumn = column;
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

size_t ProductListModel::storageBytes() const {
    return m_text.capacity() + m_bounds.capacity() * sizeof(uint32_t) + m_order.capacity() * sizeof(uint32_t);
}

// ---------------------------------------------------------------------------------------------------------
ProductListView::ProductListView(QWidget* parent) : QTableView(parent), m_model(new ProductListModel(this)) {
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setShowGrid(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFont(UiFont(12));

    // One fixed line per row: the view never measures rows, which keeps it smooth at any length.
    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(22);
    rows->setMinimumSectionSize(22);

    QHeaderView* columns = horizontalHeader();
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setDefaultAlignment(Qt::AlignCenter);
    columns->setFont(UiFont(12));
    for (int col = 0; col < kProductColumnCount; ++col)
        columns->resizeSection(col, kProductColumns[static_cast<size_t>(col)].width);
    columns->setSortIndicator(-1, Qt::AscendingOrder);
    columns->setSortIndicatorShown(true);
    setSortingEnabled(true);
    // Rows that come in after a sort, and a cleared list, are no longer in the order the arrow shows.
    auto dropArrow = [this, columns] {
        if (m_model->sortedColumn() < 0 && columns->sortIndicatorSection() >= 0)
            columns->setSortIndicator(-1, Qt::AscendingOrder);
    };
    connect(m_model, &QAbstractItemModel::rowsInserted, this, dropArrow);
    connect(m_model, &QAbstractItemModel::modelReset, this, dropArrow);

    setStyleSheet(QStringLiteral(
        "QTableView { border: 1px solid #d5dde3; background: white; alternate-background-color: #f5f9f9;"
        " selection-background-color: #cdebe6; selection-color: #1f2a33; }"
        "QHeaderView::section { background: #eef3f5; color: #333d47; border: none;"
        " border-right: 1px solid #d5dde3; border-bottom: 1px solid #d5dde3; padding: 4px 2px; }"));
}

} // namespace tk
