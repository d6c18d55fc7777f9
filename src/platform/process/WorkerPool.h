#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace ze6 {

class WorkerGroup;

// The process's helper threads, shared by everything that works on several
// cores at once: the archives of a run are built on them, and the blocks of
// each archive's entries are compressed on them. Work reaches the pool only
// through a WorkerGroup, which caps how many of the pool's threads it may
// hold at once. Threads are started as work comes, up to the pool's size,
// and kept for the next run.
class WorkerPool final {
public:
    explicit WorkerPool(unsigned mostThreads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Sized for helpers that spend much of their time waiting for the disk.
    static WorkerPool& Shared();

    unsigned Size() const { return m_mostThreads; }
    // Tasks submitted and not yet begun, of every group.
    std::size_t Queued() const;

private:
    friend class WorkerGroup;
    struct Task;

    void Enqueue(std::shared_ptr<Task> task);
    void Work();
    // The oldest queued task whose group may have another thread, or of
    // `only` when given; taken off the queue. Called with m_mutex held.
    std::shared_ptr<Task> TakeTask(const WorkerGroup* only);
    void Run(std::unique_lock<std::mutex>& lock, Task& task);

    const unsigned m_mostThreads;
    mutable std::mutex m_mutex;
    std::condition_variable m_work;     // a task was queued, or the pool stops
    std::condition_variable m_finished; // a task ended
    std::deque<std::shared_ptr<Task>> m_queue;
    std::vector<std::thread> m_threads;
    unsigned m_idle = 0;
    bool m_stopping = false;
};

// One user's share of the pool: its tasks, in the order submitted, on at most
// mostRunning of the pool's threads at once.
//
// A thread that waits for one of its group's tasks runs the group's queued
// tasks meanwhile. So a task that hands parts of its work to another group and
// waits for them (an archive built on a pool thread waits for its compressed
// blocks) never waits for a pool whose threads are all taken by tasks like
// itself: what it waits for is either running or run by itself.
class WorkerGroup final {
public:
    class Ticket {
    public:
        Ticket() = default;
        explicit operator bool() const { return m_task != nullptr; }

    private:
        friend class WorkerGroup;
        std::shared_ptr<WorkerPool::Task> m_task;
    };

    WorkerGroup(WorkerPool& pool, unsigned mostRunning);
    // Withdraws the tasks not yet begun, and waits for those running.
    ~WorkerGroup();
    WorkerGroup(const WorkerGroup&) = delete;
    WorkerGroup& operator=(const WorkerGroup&) = delete;

    // The task must not throw.
    Ticket Submit(std::function<void()> task);
    bool Done(const Ticket& ticket) const;
    // Returns once the task has run, running this group's queued tasks meanwhile.
    void Wait(const Ticket& ticket);

private:
    friend class WorkerPool;
    WorkerPool& m_pool;
    const unsigned m_mostRunning;
    unsigned m_running = 0; // guarded by the pool's mutex
};

} // namespace ze6
