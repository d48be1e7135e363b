#pragma once

#include <QObject>
#include <QPointer>

class QLineEdit;
class QString;

namespace corvane {

// Gives a single-line or password field the app's look: no native frame, body text (monospaced on
// request), 10 px of horizontal and 7 px of vertical padding, on a softly filled rounded rectangle with
// a hairline border. The border turns to the accent colour while the field has keyboard focus. The style
// lives as a child of the field; applying it again to the same field returns the one already there.
class FilledFieldStyle : public QObject {
    Q_OBJECT

public:
    static FilledFieldStyle* apply(QLineEdit* field, bool monospaced = false);
    // A new single-line field in this style, named for assistive technology.
    static QLineEdit* field(const QString& accessibleName, const QString& placeholder = {});

    bool monospaced() const { return m_monospaced; }
    void setMonospaced(bool monospaced);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FilledFieldStyle(QLineEdit* field);

    void applyFont();
    void applyMargins();
    void paintBackground();

    QPointer<QLineEdit> m_field;
    bool m_monospaced = false;
    bool m_applying = false;
};

} // namespace corvane
