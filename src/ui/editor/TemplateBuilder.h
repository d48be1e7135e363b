#pragma once

#include "model/Payload.h"

#include <QWidget>

#include <optional>
#include <vector>

class QMenu;
class QToolButton;

namespace corvane {

class PayloadTreeView;
class RelativeTimeTicker;
class StyledLabel;

// The payload tree of one of a listener's recent payloads, from whose values the user maps paths into
// the notification's title and body. The "From:" menu chooses the payload; without a choice, or once
// the chosen one has left the list, the newest is shown. The ages on the button and in the menu follow
// the time.
class TemplateBuilder : public QWidget {
    Q_OBJECT

public:
    explicit TemplateBuilder(QWidget* parent = nullptr);

    // Newest first.
    void setRecent(std::vector<Payload> recent);
    void chooseSource(const QString& id);
    // The payload the tree shows; null while there are none.
    const Payload* templateSource() const;

    PayloadTreeView* tree() const { return m_tree; }
    QToolButton* sourceButton() const { return m_sourceButton; }

signals:
    void addToTitleRequested(const QString& path);
    void addToBodyRequested(const QString& path);

private:
    QWidget* makeEmptyText();
    QWidget* makeBuilder();
    void refresh();
    void fillMenu();
    void showSourceAge();

    std::vector<Payload> m_recent;
    std::optional<QString> m_templateSourceId;
    std::optional<std::string> m_shownId;
    QWidget* m_empty = nullptr;
    QWidget* m_builder = nullptr;
    QToolButton* m_sourceButton = nullptr;
    QMenu* m_sourceMenu = nullptr;
    RelativeTimeTicker* m_ticker = nullptr;
    PayloadTreeView* m_tree = nullptr;
};

} // namespace corvane
