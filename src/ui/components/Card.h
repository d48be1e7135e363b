#pragma once

#include <QPointer>
#include <QWidget>

class QVBoxLayout;

namespace corvane {

class StyledLabel;

// A group of related content on a lightly filled rounded panel, optionally headed by a small
// upper-case title. The title takes no space when there is none.
class Card : public QWidget {
    Q_OBJECT

public:
    explicit Card(const QString& title = {}, QWidget* content = nullptr, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    // The empty text for no title.
    void setTitle(const QString& title);

    QWidget* content() const { return m_content; }
    // Takes ownership of `content`; the previous content is deleted.
    void setContent(QWidget* content);

    // The title's label while there is a title, else nullptr.
    StyledLabel* titleLabel() const;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QVBoxLayout* m_layout;
    StyledLabel* m_titleLabel;
    QPointer<QWidget> m_content;
};

} // namespace corvane
