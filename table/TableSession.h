#pragma once

#include "CharacterTable.h"
#include "TableReader.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// The character table in force and the file it came from. A load changes the table, the path
// and the name together, and only once the whole file was read; a failed or cancelled load
// leaves all three as they were. startLoad() reads on a thread of its own and reports back on
// the session's thread, so the caller's event loop keeps running; a reading that never returns
// (a stalled file system) is abandoned on cancel or destruction, never waited for.
class TableSession final : public QObject {
    Q_OBJECT

public:
    // How a file is read: readTableFile, or what stands in for the file system.
    using ReadFunction = std::function<TableReadResult(
        const QByteArray &path, CharacterTable &table, const TableReadProgress &progress)>;

    explicit TableSession(ReadFunction read = readTableFile, QObject *parent = nullptr);
    ~TableSession() override;

    const CharacterTable &table() const { return m_table; }
    // Full path and bare name of the file in force, for showing (bytes that are no UTF-8 show as
    // U+FFFD); both empty until a load succeeds. nativePath() is the path as the system has it.
    QString filePath() const;
    QString fileName() const;
    const QByteArray &nativePath() const { return m_path; }
    // Keystrokes are checked against the table only while one is in force.
    bool hasTable() const { return !m_path.isEmpty(); }

    // Starts reading on a worker thread; loadFinished follows. Returns false, doing nothing,
    // while another reading runs.
    bool startLoad(const QByteArray &path);
    // Ends the running load at once as cancelled (loadFinished is emitted before this returns);
    // the worker stops at its next block, or is left to end on its own if it is stuck.
    void cancel();

Q_SIGNALS:
    // Bytes read so far and the file's size, at most one pending report at a time.
    void progressed(qint64 done, qint64 total);
    void loadFinished(const TableReadResult &result);

private:
    struct Job;

    void commit(const QByteArray &path, CharacterTable &&table);
    void reportProgress(const std::shared_ptr<Job> &job);
    void finishJob(const std::shared_ptr<Job> &job);
    void abandonJob();

    CharacterTable m_table;
    QByteArray m_path;
    ReadFunction m_read;
    std::shared_ptr<Job> m_job;
};
