#pragma once

#include "support/Appearance.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QTest>
#include <QWidget>

// Screenshots the widget tests render for a person to look at, in a light and a dark scheme. A test
// function takes the rows of addSchemes(), calls applyScheme() and saves with saveScreenshot().
namespace corvane::test {

// The folder named by CORVANE_SCREENSHOTS when it is set, otherwise the build's CORVANE_SCREENSHOTS_FOLDER.
inline QString screenshotFolder()
{
    const QString configured = qEnvironmentVariable("CORVANE_SCREENSHOTS");
    return configured.isEmpty() ? QStringLiteral(CORVANE_SCREENSHOTS_FOLDER) : configured;
}

// The rows "light" and "dark", for a screenshot test's _data function.
inline void addSchemes()
{
    QTest::addColumn<bool>("dark");
    QTest::newRow("light") << false;
    QTest::newRow("dark") << true;
}

// The current row's scheme and the default font, for the whole application.
inline void applyScheme()
{
    QFETCH(bool, dark);
    QApplication::setFont(defaultFont());
    QApplication::setPalette(dark ? darkPalette() : lightPalette());
}

// Shows `widget`, lets it lay out and paint, and saves what it shows as the PNG
// <folder>/<name>-<the current row>.png, creating its folder; the test fails when it cannot.
inline void saveScreenshot(QWidget& widget, const QString& name)
{
    widget.show();
    QApplication::processEvents();
    const QString file = QStringLiteral("%1/%2-%3.png").arg(screenshotFolder(), name, QTest::currentDataTag());
    QVERIFY2(QDir().mkpath(QFileInfo(file).path()) && widget.grab().save(file), qPrintable(file));
}

} // namespace corvane::test
