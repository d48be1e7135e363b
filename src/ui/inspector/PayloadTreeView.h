#pragma once

#include "model/Payload.h"

#include <QListView>

#include <qcoro/qcorotask.h>

class QAction;

namespace corvane {

class PayloadRow;
class PayloadTreeModel;

// A payload's headers, query and body as an indented list of rows, one painted line each (no widget
// per row), from which the user picks a value's path for the title or body template: with a row's
// chips, or for the current row from its context menu or the shortcuts shown there. The path comes
// without braces; making a token of it is the owner's business. At its ends the wheel scrolls the page
// around it. The context menu also copies or saves the current row's whole value, which the row may
// show cut.
class PayloadTreeView : public QListView {
    Q_OBJECT

public:
    explicit PayloadTreeView(QWidget* parent = nullptr);

    void setPayload(const Payload& payload);

    PayloadTreeModel* treeModel() const { return m_model; }
    PayloadRow* rowDelegate() const { return m_delegate; }
    // Act on the current row; disabled while it is a container or there is none.
    QAction* mapToTitleAction() const { return m_mapToTitle; }
    QAction* mapToBodyAction() const { return m_mapToBody; }
    // Act on the current row; disabled while there is none.
    QAction* copyValueAction() const { return m_copyValue; }
    QAction* saveValueAction() const { return m_saveValue; }

signals:
    void addToTitleRequested(const QString& path);
    void addToBodyRequested(const QString& path);

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void updateActions();
    void applyMetrics();
    void applyScrollBarStyle();
    QString currentScalarPath() const;
    QCoro::Task<> saveCurrentValue();

    PayloadTreeModel* m_model;
    PayloadRow* m_delegate;
    QAction* m_mapToTitle;
    QAction* m_mapToBody;
    QAction* m_copyValue;
    QAction* m_saveValue;
};

} // namespace corvane
