#include "ui/inspector/PayloadTreeModel.h"

#include "evaluation/PayloadContext.h"
#include "evaluation/Template.h"

#include <QThreadPool>

namespace corvane {

PayloadTreeModel::PayloadTreeModel(QObject* parent) : QAbstractListModel(parent)
{
}

PayloadTreeModel::~PayloadTreeModel()
{
    releaseTree();
}

void PayloadTreeModel::releaseTree()
{
    m_cursor.reset();
    m_rows = {};
    m_values = {};
    if (m_root) {
        QThreadPool::globalInstance()->start([root = std::move(m_root)]() mutable { root.reset(); });
    }
}

void PayloadTreeModel::setPayload(const Payload& payload)
{
    beginResetModel();
    // The old tree goes first, so that two large trees are never held at once.
    releaseTree();
    auto root = std::make_shared<nlohmann::json>(payloadContext(payload));
    root->erase("method");
    root->erase("listener_name");
    root->erase("raw_body");
    m_root = std::move(root);
    m_cursor.emplace(m_root.get(), "", 0);
    m_cursor->next(batchRows, m_rows, &m_values);
    endResetModel();
}

const PayloadFlattener::Row& PayloadTreeModel::rowAt(int row) const
{
    return m_rows.at(static_cast<std::size_t>(row));
}

PayloadTreeModel::Value PayloadTreeModel::valueAt(int row) const
{
    Value value;
    value.m_root = m_root;
    value.m_value = m_values.at(static_cast<std::size_t>(row));
    return value;
}

std::string PayloadTreeModel::Value::text() const
{
    if (m_value == nullptr) {
        return {};
    }
    return m_value->is_structured() ? m_value->dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
                                    : Template::stringify(m_value);
}

int PayloadTreeModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

bool PayloadTreeModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_cursor && !m_cursor->atEnd();
}

void PayloadTreeModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || !m_cursor || m_cursor->atEnd()) {
        return;
    }
    std::vector<PayloadFlattener::Row> rows;
    std::vector<const nlohmann::json*> values;
    m_cursor->next(batchRows, rows, &values);
    if (rows.empty()) {
        return;
    }
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    m_values.insert(m_values.end(), values.begin(), values.end());
    endInsertRows();
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
