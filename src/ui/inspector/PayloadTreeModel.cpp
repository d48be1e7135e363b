#include "ui/inspector/PayloadTreeModel.h"

#include "evaluation/PayloadContext.h"

namespace corvane {

PayloadTreeModel::PayloadTreeModel(QObject* parent) : QAbstractListModel(parent)
{
}

std::vector<PayloadFlattener::Row> PayloadTreeModel::flatten(const Payload& payload)
{
    auto root = payloadContext(payload);
    root.erase("method");
    root.erase("listener_name");
    root.erase("raw_body");
    std::vector<PayloadFlattener::Row> rows;
    PayloadFlattener::flatten(&root, "", 0, rows);
    return rows;
}

void PayloadTreeModel::setPayload(const Payload& payload)
{
    beginResetModel();
    // The old rows go first, so that two large trees are never held at once.
    m_rows = {};
    m_rows = flatten(payload);
    endResetModel();
}

const PayloadFlattener::Row& PayloadTreeModel::rowAt(int row) const
{
    return m_rows.at(static_cast<std::size_t>(row));
}

int PayloadTreeModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant PayloadTreeModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const auto& row = rowAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(row.displayValue);
    case Qt::AccessibleTextRole:
        return QString::fromStdString(row.key + ": " + row.displayValue);
    case keyRole:
        return QString::fromStdString(row.key);
    case pathRole:
        return QString::fromStdString(row.path);
    case depthRole:
        return row.depth;
    case containerRole:
        return row.isContainer;
    default:
        return {};
    }
}

} // namespace corvane
