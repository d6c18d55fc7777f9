#include "platform/process/WorkerPool.h"

#include <algorithm>
#include <iterator>

namespace ze6 {

struct WorkerPool::Task {
    WorkerGroup* group;
    std::function<void()> run;
    bool done = false; // guarded by the pool's mutex
};

WorkerPool::WorkerPool(unsigned mostThreads) : m_mostThreads(std::max(1u, mostThreads)) {}

WorkerPool::~WorkerPool()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_work.notify_all();
    for (auto& thread : m_threads)
        thread.join();
}

WorkerPool& WorkerPool::Shared()
{
    // Asked once: the C library reads a file of the system to answer.
    static WorkerPool pool(std::clamp(4 * std::thread::hardware_concurrency(), 4u, 16u));
    return pool;
}

std::size_t WorkerPool::Queued() const
{
    const std::lock_guard lock(m_mutex);
    return m_queue.size();
}

void WorkerPool::Enqueue(std::shared_ptr<Task> task)
{
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(task));
        if (m_queue.size() > m_idle && m_threads.size() < m_mostThreads)
            m_threads.emplace_back([this] { Work(); });
    }
    m_work.notify_all();
}

std::shared_ptr<WorkerPool::Task> WorkerPool::TakeTask(const WorkerGroup* only)
{
    const auto found = std::find_if(m_queue.begin(), m_queue.end(), [only](const std::shared_ptr<Task>& task) {
        return only != nullptr ? task->group == only : task->group->m_running < task->group->m_mostRunning;
    });
    if (found == m_queue.end())
        return nullptr;
    std::shared_ptr<Task> task = std::move(*found);
    m_queue.erase(found);
    return task;
}

void WorkerPool::Run(std::unique_lock<std::mutex>& lock, Task& task)
{
    ++task.group->m_running;
    lock.unlock();
    task.run();
    // What the task holds goes with it: a ticket kept inside the task's own
    // captures would otherwise keep both alive for ever.
    task.run = nullptr;
    lock.lock();
    --task.group->m_running;
    task.done = true;
    m_finished.notify_all();
    // A group at its limit may now have another thread.
    m_work.notify_all();
}

void WorkerPool::Work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        std::shared_ptr<Task> task;
        ++m_idle;
        m_work.wait(lock, [&] { return m_stopping || (task = TakeTask(nullptr)) != nullptr; });
        --m_idle;
        if (!task)
            return;
        Run(lock, *task);
    }
}

WorkerGroup::WorkerGroup(WorkerPool& pool, unsigned mostRunning) : m_pool(pool), m_mostRunning(std::max(1u, mostRunning))
{
}

WorkerGroup::~WorkerGroup()
{
    std::vector<std::shared_ptr<WorkerPool::Task>> withdrawn;
    {
        std::unique_lock lock(m_pool.m_mutex);
        auto& queue = m_pool.m_queue;
        const auto ours = std::stable_partition(queue.begin(), queue.end(),
                                                [this](const auto& task) { return task->group != this; });
        withdrawn.assign(std::make_move_iterator(ours), std::make_move_iterator(queue.end()));
        queue.erase(ours, queue.end());
        m_pool.m_finished.wait(lock, [this] { return m_running == 0; });
    }
    // Released outside the lock, as a task that ran is: a withdrawn task can
    // hold its own ticket too.
    for (const auto& task : withdrawn)
        task->run = nullptr;
}

WorkerGroup::Ticket WorkerGroup::Submit(std::function<void()> task)
{
    Ticket ticket;
    ticket.m_task = std::make_shared<WorkerPool::Task>(WorkerPool::Task{this, std::move(task)});
    m_pool.Enqueue(ticket.m_task);
    return ticket;
}

bool WorkerGroup::Done(const Ticket& ticket) const
{
    const std::lock_guard lock(m_pool.m_mutex);
    return ticket.m_task->done;
}

void WorkerGroup::Wait(const Ticket& ticket)
{
    std::unique_lock lock(m_pool.m_mutex);
    while (!ticket.m_task->done) {
        if (const auto task = m_pool.TakeTask(this))
            m_pool.Run(lock, *task);
        else
            m_pool.m_finished.wait(lock);
    }
}

} // namespace ze6
