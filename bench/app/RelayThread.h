#pragma once

#include "support/ScriptedHttpServer.h"

#include <QObject>
#include <QThread>

namespace corvane::test {

// The scripted relay on a thread of its own, as a real relay is another process: writing its answers
// costs the GUI thread nothing.
class RelayThread {
public:
    RelayThread();
    RelayThread(const RelayThread&) = delete;
    RelayThread& operator=(const RelayThread&) = delete;
    ~RelayThread();

    QString baseURL() const { return m_server->baseURL(); }
    // Requests for `target` get `response` from now on.
    void script(const QByteArray& target, const QByteArray& response);
    // The relay thread's CPU time so far, in nanoseconds.
    qint64 cpuNanoseconds();

private:
    QThread m_thread;
    QObject m_anchor;
    ScriptedHttpServer* m_server = nullptr;
};

} // namespace corvane::test
