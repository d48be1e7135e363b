#pragma once

#include <QWidget>

#include <optional>

class QPushButton;

namespace corvane {

// The wizard's waiting step: a pulsing antenna while the first request is awaited, quick actions that
// copy the hook URL or a curl command for it (each confirmed with "Copied"), and "Skip — configure
// manually".
class WaitingStep : public QWidget {
    Q_OBJECT

public:
    // Without `hookURL` there are no quick actions.
    explicit WaitingStep(const std::optional<QString>& hookURL, QWidget* parent = nullptr);

    QPushButton* skipButton() const { return m_skipButton; }
    QWidget* focusTarget() const;

signals:
    void skipRequested();

private:
    static QWidget* makeListeningCard();

    QPushButton* m_copyURLButton = nullptr;
    QPushButton* m_copyCurlButton = nullptr;
    QPushButton* m_skipButton;
};

} // namespace corvane
