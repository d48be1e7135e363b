#include "ui/activity/ActivityListModel.h"

#include "evaluation/Template.h"
#include "ui/components/RelativeTime.h"

#include <QSet>

#include <algorithm>

namespace corvane {

namespace {

// The length of the summary in a row's accessible name.
constexpr qsizetype accessibleSummaryLength = 40;

} // namespace

ActivityListModel::ActivityListModel(const std::vector<Payload>& payloads, Naming naming, QObject* parent)
    : QAbstractListModel(parent), m_payloads(payloads), m_naming(naming)
{
    refresh();
}

ActivityListModel::Row ActivityListModel::rowFor(const Payload& payload, const QDateTime& now)
{
    Row row;
    row.id = QString::fromStdString(payload.id);
    if (payload.listenerName) {
        row.listenerName = QString::fromStdString(*payload.listenerName);
    }
    row.receivedAt = QString::fromStdString(payload.receivedAt);
    row.moment = RelativeTime::momentISO(row.receivedAt);
    row.age = ageOf(row, now);
    row.method = QString::fromStdString(payload.method);
    row.delivered = payload.deliveredAt.has_value();
    if (payload.verification) {
        row.verified = payload.verification->verified();
    }
    return row;
}

QString ActivityListModel::ageOf(const Row& row, const QDateTime& now)
{
    return row.moment.isValid() ? RelativeTime::shortFrom(row.moment, now) : QString();
}

void ActivityListModel::refresh()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<Row> rows;
    rows.reserve(std::ssize(m_payloads));
    for (const Payload& payload : m_payloads) {
        rows.push_back(rowFor(payload, now));
    }
    QSet<QString> ids;
    for (const Row& row : rows) {
        ids.insert(row.id);
    }
    m_summaries.removeIf([&ids](const auto& entry) { return !ids.contains(entry.key()); });
    merge(std::move(rows));
}

bool ActivityListModel::keepsOrder(const QList<Row>& rows) const
{
    // The rows that stay must appear in `rows` in the order they have now.
    QHash<QString, qsizetype> position;
    for (qsizetype index = 0; index < rows.size(); ++index) {
        position.insert(rows[index].id, index);
    }
    qsizetype last = -1;
    QSet<QString> seen;
    for (const Row& row : m_rows) {
        const auto found = position.constFind(row.id);
        if (found == position.constEnd()) {
            continue;
        }
        if (*found <= last || seen.contains(row.id)) {
            return false;
        }
        seen.insert(row.id);
        last = *found;
    }
    return true;
}

void ActivityListModel::merge(QList<Row> rows)
{
    if (!keepsOrder(rows)) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
        return;
    }
    QSet<QString> incoming;
    for (const Row& row : rows) {
        incoming.insert(row.id);
    }
    // Removals, bottom up, in runs.
    for (auto end = static_cast<int>(m_rows.size()) - 1; end >= 0;) {
        if (incoming.contains(m_rows[end].id)) {
            --end;
            continue;
        }
        int first = end;
        while (first > 0 && !incoming.contains(m_rows[first - 1].id)) {
            --first;
        }
        beginRemoveRows({}, first, end);
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + end + 1);
        endRemoveRows();
        end = first - 1;
    }
    // The rows left are a subsequence of `rows`: insert the others in runs, top down.
    int target = 0;
    while (target < rows.size()) {
        if (target < m_rows.size() && m_rows[target].id == rows[target].id) {
            if (!m_rows[target].showsSameAs(rows[target])) {
                m_rows[target] = rows[target];
                emit dataChanged(index(target), index(target));
            }
            ++target;
            continue;
        }
        // rows[target] is new; so is every row up to the next one the model holds.
        int last = target;
        while (last + 1 < rows.size() && (target >= m_rows.size() || rows[last + 1].id != m_rows[target].id)) {
            ++last;
        }
        beginInsertRows({}, target, last);
        for (int row = target; row <= last; ++row) {
            m_rows.insert(row, rows[row]);
        }
        endInsertRows();
        target = last + 1;
    }
}

void ActivityListModel::refreshAges()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QList<int> roles{ageRole, Qt::AccessibleTextRole};
    // Changes are reported in runs of neighbouring rows.
    int first = -1;
    for (int row = 0; row <= m_rows.size(); ++row) {
        bool changed = false;
        if (row < m_rows.size()) {
            QString age = ageOf(m_rows[row], now);
            changed = age != m_rows[row].age;
            m_rows[row].age = std::move(age);
        }
        if (changed && first < 0) {
            first = row;
        } else if (!changed && first >= 0) {
            emit dataChanged(index(first), index(row - 1), roles);
            first = -1;
        }
    }
}

int ActivityListModel::rowOf(const QString& id) const
{
    const auto found = std::ranges::find(m_rows, id, &Row::id);
    return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
}

QString ActivityListModel::idAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].id : QString();
}

QString ActivityListModel::summary(const Payload& payload)
{
    QString text;
    if (payload.body) {
        text = QString::fromStdString(Template::stringify(&payload.body->value));
        text.replace(u'\n', u' ');
    } else if (payload.rawBody && !payload.rawBody->empty()) {
        text = QString::fromStdString(*payload.rawBody);
    } else {
        text = QString::fromStdString(payload.method);
    }
    if (text.size() > summaryLength) {
        text.truncate(summaryLength);
    }
    return text;
}

int ActivityListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant ActivityListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return {};
    }
    const Row& row = m_rows[index.row()];
    switch (role) {
    case idRole:
        return row.id;
    case Qt::DisplayRole:
        return nameOf(row, index);
    case Qt::AccessibleTextRole:
        return accessibleNameOf(row, index);
    case listenerNameRole:
        return row.listenerName.value_or(tr("(unknown listener)"));
    case receivedAtRole:
        return row.receivedAt;
    case methodRole:
        return row.method;
    case momentRole:
        return row.moment.isValid() ? QVariant(row.moment) : QVariant();
    case ageRole:
        return row.age;
    case deliveredRole:
        return row.delivered;
    case verifiedRole:
        return row.verified ? QVariant(*row.verified) : QVariant();
    case summaryRole: {
        auto cached = m_summaries.constFind(row.id);
        if (cached == m_summaries.constEnd()) {
            // After a refresh the rows are the payloads in order.
            const auto position = static_cast<std::size_t>(index.row());
            if (position >= m_payloads.size() || m_payloads[position].id != row.id.toStdString()) {
                return {};
            }
            const Payload& payload = m_payloads[position];
            cached = m_summaries.insert(row.id, summary(payload));
        }
        return *cached;
    }
    default:
        return {};
    }
}

QString ActivityListModel::nameOf(const Row& row, const QModelIndex& index) const
{
    if (m_naming == Naming::byRequest) {
        return QStringLiteral("%1 %2").arg(row.method, data(index, summaryRole).toString());
    }
    return row.listenerName.value_or(tr("(unknown listener)"));
}

QString ActivityListModel::accessibleNameOf(const Row& row, const QModelIndex& index) const
{
    if (m_naming == Naming::byRequest) {
        return tr("%1 %2, %3")
            .arg(row.method, data(index, summaryRole).toString().left(accessibleSummaryLength), row.age);
    }
    QString name = nameOf(row, index);
    if (!row.verified) {
        return name;
    }
    return *row.verified ? tr("%1, verified").arg(name) : tr("%1, unverified").arg(name);
}

} // namespace corvane
