#include "api/WorkerThread.h"

namespace corvane::relay {

WorkerThread::~WorkerThread()
{
    m_pool.join();
}

} // namespace corvane::relay
