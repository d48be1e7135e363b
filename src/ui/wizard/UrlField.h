#pragma once

#include <QLineEdit>

namespace corvane {

// A read-only address on one line in monospaced callout type, on a faint rounded panel. At rest a long
// address is elided in the middle; once the field has the focus it shows the whole address, so what is
// selected and copied is always the real one.
class UrlField : public QLineEdit {
    Q_OBJECT

public:
    explicit UrlField(QString url, QWidget* parent = nullptr);

    QString url() const { return m_url; }

protected:
    bool event(QEvent* event) override;

private:
    void applyFont();
    void showText();

    QString m_url;
};

} // namespace corvane
