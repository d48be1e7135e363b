#pragma once

#include <QWidget>

#include <optional>

class QLineEdit;
class QPushButton;

namespace corvane {

class UrlField;

// The wizard's first step: the listener's name and "Create listener"; once the listener exists, its
// hook URL with a copy button (confirmed with "Copied"), "Continue — wait for first request" and
// "Skip — configure manually".
class NameStep : public QWidget {
    Q_OBJECT

public:
    // Without `hookURL` the listener is still to be created.
    NameStep(const QString& name, const std::optional<QString>& hookURL, QWidget* parent = nullptr);

    void setCreateEnabled(bool enabled);
    // What takes the keyboard focus when the step appears.
    QWidget* focusTarget() const;

    QLineEdit* nameField() const { return m_nameField; }
    // Null once the listener exists.
    QPushButton* createButton() const { return m_createButton; }
    // Null until the listener exists.
    UrlField* urlField() const { return m_urlField; }
    QPushButton* continueButton() const { return m_continueButton; }
    QPushButton* skipButton() const { return m_skipButton; }

signals:
    void nameChanged(const QString& name);
    // "Create listener", or Return in the name field while it is enabled.
    void createRequested();
    void continueRequested();
    void skipRequested();

private:
    QWidget* makeEndpointCard(const QString& hookURL);

    QLineEdit* m_nameField;
    QPushButton* m_createButton = nullptr;
    UrlField* m_urlField = nullptr;
    QPushButton* m_continueButton = nullptr;
    QPushButton* m_skipButton = nullptr;
};

} // namespace corvane
