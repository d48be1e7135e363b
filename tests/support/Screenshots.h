#pragma once

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QWidget>

// Screenshots the widget tests render for a person to look at.
namespace corvane::test {

// The folder named by CORVANE_SCREENSHOTS when it is set, otherwise `builtIn` (a folder of the build).
inline QString screenshotFolder(const QString& builtIn)
{
    const QString configured = qEnvironmentVariable("CORVANE_SCREENSHOTS");
    return configured.isEmpty() ? builtIn : configured;
}

// Shows `widget`, lets it lay out and paint, and saves what it shows as the PNG `file`, creating its
// folder. False when the file could not be written.
inline bool saveScreenshot(QWidget& widget, const QString& file)
{
    widget.show();
    QApplication::processEvents();
    return QDir().mkpath(QFileInfo(file).path()) && widget.grab().save(file);
}

} // namespace corvane::test
