// Builds the word indexes of text fields (engine/word_index.h) on a thread of
// the engine's own, so that no search waits for an index: until a field's
// index is built its searches scan the texts, which gives the same rows.
//
// The thread reads only the cells and the heap of the rows present when a
// build starts, and writes only the index it builds. Whoever is about to
// change the table calls Stop first, which returns after the thread has
// ended, so the thread never reads a table being changed; what it had built
// is dropped. Requests, collecting and Stop run on the owner's thread; the
// queue and the finished indexes pass between the two under one mutex.
// Owned by the filter column cache (engine/filter_cache.h).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/table_data.h"
#include "engine/word_index.h"

namespace engine::filter {

class WordIndexBuilder {
 public:
  // A finished build: the index of `field` over the rows present at the
  // start, or null when it would have outgrown its memory budget.
  struct Built {
    size_t field = 0;
    std::unique_ptr<WordIndex> index;
  };
  // Runs on the thread before each field's build; tests hold a build there
  // (it should return once `stop` is set).
  using Gate = std::function<void(const std::atomic<bool>& stop)>;

  WordIndexBuilder() = default;
  WordIndexBuilder(const WordIndexBuilder&) = delete;
  WordIndexBuilder& operator=(const WordIndexBuilder&) = delete;
  ~WordIndexBuilder() { Stop(); }

  // Asks for the index of `field` (0-based) of `data`, which must stay
  // unchanged until Stop. A field already asked for is not queued again.
  // `memory_budget`: the most bytes the index may take.
  void Request(const TableData& data, size_t field, size_t memory_budget);
  // Whether `field` is queued or being built.
  bool Pending(size_t field) const;
  // The builds finished since the last call.
  std::vector<Built> Collect();
  // Ends the thread (at its next check, within some thousands of rows) and
  // forgets every request and every result not yet collected.
  void Stop();

  // While one is alive the build waits (within WordIndex::kPauseRows rows):
  // a search that scans the texts because an index is not there yet holds
  // the build for the time of its scan, so that on a machine with few
  // cores the two do not take turns on one and the keystroke waits for
  // neither. Holds nest; the last one gone lets the build go on.
  class Hold {
   public:
    explicit Hold(WordIndexBuilder& builder);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

    // The index of `field` of `data` as far as it is built, once the build
    // has come to its wait (waiting for that up to `patience`), or null
    // when the build is of another field or table, has not yet taken in
    // `least_rows` rows, is not waiting by then, or there is none. It
    // covers the rows below its rows() and stays so while this hold lives:
    // a search takes those rows from it and scans only the rest.
    const WordIndex* Partial(const TableData& data, size_t field, size_t least_rows,
                             std::chrono::microseconds patience) const;

   private:
    WordIndexBuilder& builder_;
  };

  void SetGateForTesting(Gate gate) { gate_ = std::move(gate); }

 private:
  // The build's wait between rows, where holds stop it.
  class Pause final : public WordIndex::Pause {
   public:
    Pause(WordIndexBuilder& builder, size_t field) : builder_(builder), field_(field) {}
    void Between(const WordIndex& index) override;

   private:
    WordIndexBuilder& builder_;
    size_t field_;
  };

  void Run();

  // The table and budget of the running thread, set before it starts.
  const TableData* data_ = nullptr;
  size_t memory_budget_ = 0;
  Gate gate_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  // The holds; the build looks at `holds_` alone between rows, and takes
  // pause_mutex_ only when it is above zero.
  std::atomic<int> holds_{0};
  std::atomic<size_t> progress_{0};  // rows the build in hand has taken in
  mutable std::mutex pause_mutex_;
  mutable std::condition_variable pause_changed_;
  // Guarded by pause_mutex_: the holds, and while the build waits, the
  // index it waits with and its field.
  int held_ = 0;
  const WordIndex* waiting_ = nullptr;
  size_t waiting_field_ = 0;
  mutable std::mutex mutex_;
  // Guarded by mutex_:
  std::deque<size_t> queue_;
  std::vector<size_t> building_;  // the field in hand (none or one)
  std::vector<Built> done_;
  bool running_ = false;
};

}  // namespace engine::filter
