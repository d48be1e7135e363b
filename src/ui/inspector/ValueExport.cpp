#include "ui/inspector/ValueExport.h"

#include "ui/components/Clipboard.h"

#include <QFileDialog>
#include <QPointer>
#include <QSaveFile>

#include <qcoro/qcorofuture.h>
#include <qcoro/qcorosignal.h>

namespace corvane::ValueExport {

QCoro::Task<> copy(QFuture<QString> text)
{
    Clipboard::copyText(co_await text);
}

QCoro::Task<QString> chooseFile(QWidget* parent, const QString& caption)
{
    QPointer dialog(new QFileDialog(parent, caption));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setAccessibleName(caption);
    dialog->open();
    const int result = co_await qCoro(dialog.data(), &QFileDialog::finished);
    if (!dialog) {
        co_return QString();
    }
    const QString chosen = result == QDialog::Accepted ? dialog->selectedFiles().value(0) : QString();
    dialog->deleteLater();
    co_return chosen;
}

QString writeFile(const QString& fileName, const std::string& text)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), static_cast<qint64>(text.size())) < 0
        || !file.commit()) {
        return file.errorString();
    }
    return {};
}

} // namespace corvane::ValueExport
