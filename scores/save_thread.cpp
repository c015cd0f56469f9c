#include "scores/save_thread.h"

#include <exception>
#include <utility>

namespace lexidrop {

SaveThread::SaveThread(std::unique_ptr<HighScoreStore> store, Post post)
    : store_(std::move(store)), post_(std::move(post)), thread_([this] { work(); })
{
}

SaveThread::~SaveThread()
{
    {
        const std::lock_guard<std::mutex> locked(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void SaveThread::save(SaveJob job)
{
    {
        const std::lock_guard<std::mutex> locked(mutex_);
        queue_.push_back(std::move(job));
    }
    changed_.notify_all();
}

std::vector<std::string> SaveThread::finish(std::chrono::milliseconds bound)
{
    std::unique_lock<std::mutex> locked(mutex_);
    changed_.wait_for(locked, bound, [this] { return queue_.empty() && !running_; });
    std::vector<std::string> left;
    if (running_) {
        left.push_back(*running_);
    }
    for (const SaveJob& job : queue_) {
        left.push_back(job.entries);
    }
    return left;
}

void SaveThread::work()
{
    for (;;) {
        SaveJob job;
        {
            std::unique_lock<std::mutex> locked(mutex_);
            changed_.wait(locked, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) {
                return; // stopping, and every save done
            }
            job = std::move(queue_.front());
            queue_.pop_front();
            running_ = job.entries;
        }
        SaveOutcome outcome;
        try {
            outcome = job.run();
        } catch (const std::exception&) {
            store_->saveFailed(); // out of memory, say: the entries stay in the window's memory
        }
        post_([done = std::move(job.done), outcome] { done(outcome); });
        {
            const std::lock_guard<std::mutex> locked(mutex_);
            running_.reset();
        }
        changed_.notify_all();
    }
}

} // namespace lexidrop
