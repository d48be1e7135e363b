// The payload tree at the size the inspector budgets for: a body that flattens to 10,002 rows. Times
// building the model (flattening included) and painting one viewport of it, and reports the resident
// memory the tree adds. Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
// Usage: payload_tree_benchmark [number of trees, default 21]
#include "model/Payload.h"
#include "ui/inspector/PayloadTreeView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// VmRSS of this process in MB (1,000,000 bytes).
double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toDouble() * 1024.0 / 1e6;
        }
    }
    return 0;
}

corvane::Payload payload(int number)
{
    nlohmann::json items = nlohmann::json::array();
    for (int index = 0; index < 2000; ++index) {
        items.push_back(
            {{"id", index + number}, {"name", "item " + std::to_string(index)}, {"price", index * 1.5}, {"ok", true}});
    }
    return *corvane::Payload::fromJson(nlohmann::json{{"id", "p" + std::to_string(number)}, {"method", "POST"},
        {"received_at", "2026-12-07T04:00:00.000Z"}, {"body", {{"items", std::move(items)}}}});
}

double median(std::vector<double> values)
{
    std::ranges::sort(values);
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    const std::vector<corvane::Payload> payloads{payload(0), payload(1)};
    corvane::PayloadTreeView view;
    view.resize(560, 480);
    view.show();
    QApplication::processEvents();
    view.grab();
    const double before = residentMegabytes();

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    std::vector<double> build;
    std::vector<double> paint;
    std::vector<double> scrolled;
    double afterFirst = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        view.setPayload(payloads[static_cast<std::size_t>(run % 2)]);
        build.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        timer.restart();
        // The view lays its rows out from a posted event, then paints.
        QApplication::processEvents();
        view.grab();
        paint.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
        timer.restart();
        view.grab();
        scrolled.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (run == 0) {
            afterFirst = residentMegabytes();
        }
    }
    std::printf("rows: %d\n", view.model()->rowCount());
    std::printf("build model (median of %d): %.2f ms\n", runs, median(build));
    std::printf("layout and first paint of the viewport (median): %.2f ms\n", median(paint));
    std::printf("paint after scrolling to the middle (median): %.2f ms\n", median(scrolled));
    std::printf("resident memory: %.1f MB before, +%.1f MB with the first tree, +%.1f MB after %d trees\n", before,
        afterFirst - before, residentMegabytes() - before, runs);
    return 0;
}
