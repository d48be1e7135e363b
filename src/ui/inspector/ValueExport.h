#pragma once

#include <QFuture>
#include <QString>

#include <qcoro/qcorotask.h>

#include <string>

class QWidget;

// Hands a value that may be megabytes long to the clipboard or a file, without making or writing it
// on the GUI thread.
namespace corvane::ValueExport {

// Puts the text on the clipboard once the thread pool has made it.
QCoro::Task<> copy(QFuture<QString> text);

// Asks for a file to save to, in a dialog over `parent` that leaves the event loop running; the empty
// text when the person cancels.
QCoro::Task<QString> chooseFile(QWidget* parent, const QString& caption);

// Replaces the file's contents with `text`, on any thread: the failure's description, or the empty
// text.
QString writeFile(const QString& fileName, const std::string& text);

} // namespace corvane::ValueExport
