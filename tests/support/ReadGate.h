#pragma once

#include "TableSession.h"

#include <QFile>

#include <condition_variable>
#include <memory>
#include <mutex>

// A stand-in for a file system that holds a reading until the test lets it through: every
// reading through gatedRead() (of the one file named, if one is) waits at the gate, then reads
// the file as usual. A gate never opened is a read() that never returns. The gate lives as long
// as any reading holds it.
class ReadGate final {
public:
    void open()
    {
        const std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    // How many readings reached the gate, and how many came back from the whole reading.
    int arrived() const
    {
        const std::lock_guard lock(m_mutex);
        return m_arrived;
    }
    int left() const
    {
        const std::lock_guard lock(m_mutex);
        return m_left;
    }

    // Waits at `gate` (only for the file `only`, if not empty), then reads.
    static TableSession::ReadFunction gatedRead(std::shared_ptr<ReadGate> gate,
                                                const QString &only = {})
    {
        return [gate, only](const QByteArray &path, CharacterTable &table,
                            const TableReadProgress &progress) {
            if (!only.isEmpty() && QFile::decodeName(path) != only)
                return readTableFile(path, table, progress);
            {
                std::unique_lock lock(gate->m_mutex);
                ++gate->m_arrived;
                gate->m_changed.notify_all();
                gate->m_changed.wait(lock, [&gate] { return gate->m_open; });
            }
            const TableReadResult result = readTableFile(path, table, progress);
            const std::lock_guard lock(gate->m_mutex);
            ++gate->m_left;
            return result;
        };
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
    int m_arrived = 0;
    int m_left = 0;
};
