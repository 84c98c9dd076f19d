#include "TableSession.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// Workers still running, abandoned or not. Never destroyed: a worker stuck in the kernel may
// come back while the program's statics are being torn down.
struct LiveWorkers {
    std::mutex mutex;
    std::condition_variable changed;
    int count = 0;
};

LiveWorkers &liveWorkers()
{
    static auto *workers = new LiveWorkers;
    return *workers;
}

// When the application object goes, a cancelled worker that is only parsing gets a moment to
// finish its block; one stuck in a read is left behind and ends with the process.
void waitBrieflyForWorkers()
{
    LiveWorkers &workers = liveWorkers();
    std::unique_lock lock(workers.mutex);
    workers.changed.wait_for(lock, std::chrono::milliseconds(300),
                             [&workers] { return workers.count == 0; });
}

void registerExitWait()
{
    static bool registered = false;
    if (!registered && QCoreApplication::instance()) {
        qAddPostRoutine(waitBrieflyForWorkers);
        registered = true;
    }
}

} // namespace

// What one reading owns. The worker holds it through a shared pointer, so it stays valid
// however long the worker lives after the session has let go.
struct TableSession::Job {
    QByteArray path;
    CharacterTable table; // a copy the worker reads into; the session's own is never touched
    ReadFunction read;
    TableReadResult result;

    std::atomic<bool> cancelled{false};
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> progressPending{false};

    // The session to report to; null once it let go of this job.
    std::mutex mutex;
    TableSession *session = nullptr;

    // Queues a call of `method` on the session's thread, unless the session let go. A call
    // still queued when the session is destroyed goes with it.
    static void post(const std::shared_ptr<Job> &job,
                     void (TableSession::*method)(const std::shared_ptr<Job> &))
    {
        const std::lock_guard lock(job->mutex);
        if (TableSession *session = job->session) {
            QMetaObject::invokeMethod(
                session, [session, method, job] { (session->*method)(job); }, Qt::QueuedConnection);
        }
    }
};

TableSession::TableSession(ReadFunction read, QObject *parent)
    : QObject(parent), m_read(std::move(read))
{
}

TableSession::~TableSession()
{
    abandonJob();
}

void TableSession::commit(const QByteArray &path, CharacterTable &&table)
{
    m_table = std::move(table);
    m_path = path;
}

QString TableSession::filePath() const
{
    return QFile::decodeName(m_path);
}

QString TableSession::fileName() const
{
    return QFileInfo(filePath()).fileName();
}

bool TableSession::startLoad(const QByteArray &path)
{
    if (m_job)
        return false;
    auto job = std::make_shared<Job>();
    job->path = path;
    job->table = m_table;
    job->read = m_read;
    job->session = this;
    m_job = job;
    registerExitWait();

    {
        const std::lock_guard lock(liveWorkers().mutex);
        ++liveWorkers().count;
    }
    try {
        std::thread([job] {
            job->result = job->read(job->path, job->table, [&job](qint64 done, qint64 total) {
                job->done = done;
                job->total = total;
                if (!job->progressPending.exchange(true))
                    Job::post(job, &TableSession::reportProgress);
                return !job->cancelled;
            });
            Job::post(job, &TableSession::finishJob);

            LiveWorkers &workers = liveWorkers();
            const std::lock_guard lock(workers.mutex);
            --workers.count;
            workers.changed.notify_all();
        }).detach();
    } catch (const std::system_error &) {
        {
            const std::lock_guard lock(liveWorkers().mutex);
            --liveWorkers().count;
        }
        m_job.reset();
        Q_EMIT loadFinished(TableReadResult::failed(QFile::decodeName(path),
                                                    u"il sistema non ha avviato la lettura"_s));
    }
    return true;
}

void TableSession::reportProgress(const std::shared_ptr<Job> &job)
{
    job->progressPending = false;
    if (job == m_job)
        Q_EMIT progressed(job->done, job->total);
}

void TableSession::finishJob(const std::shared_ptr<Job> &job)
{
    if (job != m_job)
        return;
    m_job.reset();
    {
        const std::lock_guard lock(job->mutex);
        job->session = nullptr;
    }
    // A cancelled job was let go of before it could end here.
    if (job->result.ok())
        commit(job->path, std::move(job->table));
    Q_EMIT loadFinished(job->result);
}

void TableSession::cancel()
{
    if (!m_job)
        return;
    abandonJob();
    Q_EMIT loadFinished({TableReadResult::Outcome::Cancelled, {}});
}

void TableSession::abandonJob()
{
    if (!m_job)
        return;
    m_job->cancelled = true;
    {
        const std::lock_guard lock(m_job->mutex);
        m_job->session = nullptr;
    }
    m_job.reset();
}
