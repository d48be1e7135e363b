#pragma once

#include "evaluation/PayloadFlattener.h"
#include "model/Payload.h"

#include <QAbstractListModel>

#include <vector>

namespace corvane {

// The rows of a payload tree: the payload's headers, query and parsed body under those three keys,
// flattened in pre-order. Qt::DisplayRole is the row's display value, Qt::AccessibleTextRole
// "key: value"; the other fields have roles of their own.
class PayloadTreeModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        keyRole = Qt::UserRole + 1,
        pathRole,
        depthRole,
        containerRole,
    };

    explicit PayloadTreeModel(QObject* parent = nullptr);

    // The rows of `payload`'s tree: one per header, query parameter and body entry at every level,
    // below the top-level rows "body", "headers" and "query" (each only when the payload carries it).
    static std::vector<PayloadFlattener::Row> flatten(const Payload& payload);

    // Replaces every row: a different payload is a different tree.
    void setPayload(const Payload& payload);

    // The row at `row`, which must be in range.
    const PayloadFlattener::Row& rowAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::vector<PayloadFlattener::Row> m_rows;
};

} // namespace corvane
