// Saves of the table on a thread of their own.
//
// A SaveThread stands between the game and its store.  Reads go straight
// to the store, on the caller's thread.  Each save runs on the save
// thread, one after another in the order given, so that waiting for the
// lock or for a slow disk holds up no window; its outcome comes back
// through post, which runs a call on the game's thread.
//
// Protocol: construct it on the store and a post, and give it to the game
// as its store.  When the game is over for good, finish(bound) waits for
// the saves still queued, at most bound, and gives the entries of those
// that were not done.  Destroying it waits for every save.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "scores/high_scores.h"

namespace lexidrop {

class SaveThread : public HighScoreStore {
public:
    // Runs a call on the game's thread, later.
    using Post = std::function<void(std::function<void()>)>;

    SaveThread(std::unique_ptr<HighScoreStore> store, Post post);
    ~SaveThread() override;
    SaveThread(const SaveThread&) = delete;
    SaveThread& operator=(const SaveThread&) = delete;

    std::optional<std::string> read() override { return store_->read(); }
    StoreRead readPieces(const PieceReader& take) override { return store_->readPieces(take); }
    bool write(std::string_view contents) override { return store_->write(contents); }
    WriteResult replace(std::string_view contents, const std::string& seen) override
    {
        return store_->replace(contents, seen);
    }
    bool lock() override { return store_->lock(); }
    void unlock() override { store_->unlock(); }
    void saveFailed() override { store_->saveFailed(); }
    // Queues the save; its outcome is posted when it is done.
    void save(SaveJob job) override;

    // Waits at most bound for the saves queued so far; the entries of each
    // one not done by then ("" for a save that brought no new entry).
    std::vector<std::string> finish(std::chrono::milliseconds bound);

private:
    // The save thread: runs the queue until it is empty and stopping.
    void work();

    std::unique_ptr<HighScoreStore> store_; // the table on disk
    Post post_;                             // to the game's thread
    std::mutex mutex_;                      // guards what follows
    std::condition_variable changed_;       // a save queued or done, or stopping
    std::deque<SaveJob> queue_;             // saves not yet begun
    std::optional<std::string> running_;    // the entries of the save under way
    bool stopping_ = false;                 // no more saves come
    std::thread thread_;                    // started last, once the rest is ready
};

} // namespace lexidrop
