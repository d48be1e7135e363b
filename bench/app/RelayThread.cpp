#include "RelayThread.h"

#include <ctime>

namespace corvane::test {

RelayThread::RelayThread()
{
    m_anchor.moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(&m_anchor, [this] { m_server = new ScriptedHttpServer; }, Qt::BlockingQueuedConnection);
}

RelayThread::~RelayThread()
{
    QMetaObject::invokeMethod(&m_anchor, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void RelayThread::script(const QByteArray& target, const QByteArray& response)
{
    QMetaObject::invokeMethod(&m_anchor, [&] { m_server->script(target, response); }, Qt::BlockingQueuedConnection);
}

qint64 RelayThread::cpuNanoseconds()
{
    qint64 result = 0;
    QMetaObject::invokeMethod(
        &m_anchor,
        [&result] {
            timespec now{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
            result = qint64{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
        },
        Qt::BlockingQueuedConnection);
    return result;
}

} // namespace corvane::test
