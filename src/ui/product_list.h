#pragma once
// The collector's product list: a table model that keeps its rows packed in one GBK text buffer, and the
// report-style view that shows it. Tens of thousands of rows cost a few hundred bytes each and no widgets.
#include "collect/collection.h"

#include <QAbstractTableModel>
#include <QTableView>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tk {

class ProductListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ProductListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Numeric columns order by value, text columns by their GBK bytes (pinyin order for common characters).
    // Stable, so equal keys keep the order they had. A column out of range leaves the order alone.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Rows in the order shown; cell texts are GBK.
    int count() const { return static_cast<int>(m_order.size()); }
    void append(const ProductRecord& row);
    void clear();
    std::string_view cell(int row, int column) const;
    ProductRecord record(int row) const;
    std::vector<ProductRecord> records() const;

    // The column the rows were last sorted by; -1 when unsorted or rows came in after the sort.
    int sortedColumn() const { return m_sortColumn; }
    static bool isNumericColumn(int column);

    // Bytes held by the packed storage (capacity, not size).
    size_t storageBytes() const;

private:
    uint32_t cellBegin(uint32_t stored, int column) const { return m_bounds[stored * kBounds + column]; }

    static constexpr size_t kBounds = kProductColumnCount + 1;
    std::string m_text;              // every cell of every row, back to back
    std::vector<uint32_t> m_bounds;  // per stored row: where each cell starts, then where the last one ends
    std::vector<uint32_t> m_order;   // shown row -> stored row
    int m_sortColumn = -1;
};

// The report-style list: ten fixed-width columns, one line per row, sortable by a header click.
class ProductListView : public QTableView {
    Q_OBJECT
public:
    explicit ProductListView(QWidget* parent = nullptr);
    ProductListModel* products() const { return m_model; }

private:
    ProductListModel* m_model;
};

} // namespace tk
