#pragma once

#include "evaluation/PayloadFlattener.h"
#include "model/Payload.h"

#include <QAbstractListModel>

#include <memory>
#include <optional>
#include <vector>

namespace corvane {

// The rows of a payload tree: the payload's headers, query and parsed body under those three keys,
// flattened in pre-order. Rows are made as the view asks for them (canFetchMore/fetchMore), a batch
// at a time, so a body of any size costs only the rows scrolled to. Qt::DisplayRole is the row's
// display value (a long one cut), Qt::AccessibleTextRole "key: value"; the other fields have roles of
// their own.
class PayloadTreeModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        keyRole = Qt::UserRole + 1,
        pathRole,
        depthRole,
        containerRole,
    };

    // Rows made by one fetch, and after a new payload.
    static constexpr int batchRows = 256;

    explicit PayloadTreeModel(QObject* parent = nullptr);
    ~PayloadTreeModel() override;

    // Replaces every row: a different payload is a different tree.
    void setPayload(const Payload& payload);

    // The row at `row`, which must be in range.
    const PayloadFlattener::Row& rowAt(int row) const;

    // The whole value shown at `row` (a container as pretty-printed JSON), for any thread: it holds
    // the tree it reads, so the model may change meanwhile.
    class Value {
    public:
        std::string text() const;

    private:
        friend class PayloadTreeModel;
        std::shared_ptr<const nlohmann::json> m_root;
        const nlohmann::json* m_value = nullptr;
    };
    Value valueAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    // Frees the tree on the thread pool: 200,000 values take a frame or more to free.
    void releaseTree();

    std::shared_ptr<const nlohmann::json> m_root;
    std::optional<PayloadFlattener::Cursor> m_cursor;
    std::vector<PayloadFlattener::Row> m_rows;
    std::vector<const nlohmann::json*> m_values;
};

} // namespace corvane
