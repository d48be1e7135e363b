// The baseline for the desktop app's start-up and memory: a plain Qt window holding a 100-row list,
// the size of corvane's main window, reporting its first frame the same way corvane does.
#include "ui/shell/StartupReport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>

int main(int argc, char** argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication application(argc, argv);
    QListWidget list;
    for (int row = 1; row <= 100; ++row) {
        list.addItem(QStringLiteral("Row %1").arg(row));
    }
    list.resize(960, 640);
    list.show();
    corvane::StartupReport::watchFirstFrame(list, sinceStart, QStringLiteral("window"));
    return QApplication::exec();
}
