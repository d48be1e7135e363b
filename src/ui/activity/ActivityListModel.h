#pragma once

#include "model/Payload.h"

#include <QAbstractListModel>
#include <QDateTime>
#include <QHash>
#include <QList>

#include <vector>

namespace corvane {

// Payloads as list rows, newest first. A new list is merged in place: rows of payloads that stay keep
// their place (only the ones whose shown values differ report a change), payloads that left are removed
// and new ones inserted, so views keep their scroll position, selection and hover. Only a list whose
// surviving entries come in another order resets the model.
class ActivityListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        idRole = Qt::UserRole + 1,
        listenerNameRole, // the listener's name, or "(unknown listener)"
        receivedAtRole, // the timestamp as received
        deliveredRole, // bool
        summaryRole, // one line, at most summaryLength characters
        verifiedRole, // bool: whether the relay found the sender's signature valid; absent when it did not check
        methodRole, // the request's HTTP method
        momentRole, // QDateTime: RelativeTime::momentISO of receivedAtRole; absent when it does not parse
        ageRole, // RelativeTime::shortFrom of the moment, as of the last refresh or refreshAges()
    };

    // What names a row (Qt::DisplayRole and Qt::AccessibleTextRole): the listener, in a list of every
    // listener's payloads; the request (its method, the start of its summary and its age), in a list of
    // one listener's.
    enum class Naming { byListener, byRequest };

    static constexpr qsizetype summaryLength = 240;

    // `payloads` is read again by every refresh() and must outlive the model.
    explicit ActivityListModel(
        const std::vector<Payload>& payloads, Naming naming = Naming::byListener, QObject* parent = nullptr);

    // Follows a change of the payloads.
    void refresh();
    // Takes the ages again against the present; the rows whose text changes report it.
    void refreshAges();

    // The row of the first entry with this id, or -1.
    int rowOf(const QString& id) const;
    QString idAt(int row) const;

    // The body's text on one line (line feeds as spaces), else a non-empty raw body, else the method.
    static QString summary(const Payload& payload);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    struct Row {
        QString id;
        std::optional<QString> listenerName;
        QString receivedAt;
        QDateTime moment;
        QString age;
        QString method;
        bool delivered = false;
        std::optional<bool> verified;

        bool showsSameAs(const Row& other) const
        {
            return id == other.id && listenerName == other.listenerName && receivedAt == other.receivedAt
                && age == other.age && method == other.method && delivered == other.delivered
                && verified == other.verified;
        }
    };

    static Row rowFor(const Payload& payload, const QDateTime& now);
    static QString ageOf(const Row& row, const QDateTime& now);
    QString nameOf(const Row& row, const QModelIndex& index) const;
    QString accessibleNameOf(const Row& row, const QModelIndex& index) const;
    bool keepsOrder(const QList<Row>& rows) const;
    void merge(QList<Row> rows);

    const std::vector<Payload>& m_payloads;
    Naming m_naming;
    QList<Row> m_rows;
    // Summaries by payload id, made when a row is first drawn: a payload's body does not change.
    mutable QHash<QString, QString> m_summaries;
};

} // namespace corvane
