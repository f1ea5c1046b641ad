// The word-index builder's thread and its hand-over (see word_index_builder.h).
#include "engine/word_index_builder.h"

#include <algorithm>

namespace engine::filter {

void WordIndexBuilder::Request(const TableData& data, size_t field, size_t memory_budget) {
  std::unique_lock lock(mutex_);
  if (data_ != nullptr && data_ != &data) {
    lock.unlock();
    Stop();
    lock.lock();
  }
  const bool known =
      std::find(queue_.begin(), queue_.end(), field) != queue_.end() ||
      std::find(building_.begin(), building_.end(), field) != building_.end() ||
      std::any_of(done_.begin(), done_.end(), [&](const Built& b) { return b.field == field; });
  if (known) return;
  queue_.push_back(field);
  if (running_) return;
  // The last thread has said it ends; it holds nothing any more.
  lock.unlock();
  if (thread_.joinable()) thread_.join();
  lock.lock();
  // Written only while no thread runs; a running one reads them.
  data_ = &data;
  memory_budget_ = memory_budget;
  running_ = true;
  thread_ = std::thread([this] { Run(); });
}

bool WordIndexBuilder::Pending(size_t field) const {
  std::lock_guard lock(mutex_);
  return std::find(queue_.begin(), queue_.end(), field) != queue_.end() ||
         std::find(building_.begin(), building_.end(), field) != building_.end();
}

std::vector<WordIndexBuilder::Built> WordIndexBuilder::Collect() {
  std::lock_guard lock(mutex_);
  std::vector<Built> out;
  out.swap(done_);
  return out;
}

void WordIndexBuilder::Stop() {
  stop_.store(true);
  {
    // A build waiting for holds to end wakes to see `stop_`.
    std::lock_guard lock(pause_mutex_);
  }
  pause_changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mutex_);
  queue_.clear();
  building_.clear();
  done_.clear();
  running_ = false;
  data_ = nullptr;
  stop_.store(false);
}

void WordIndexBuilder::Run() {
  for (;;) {
    size_t field = 0;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty() || stop_.load()) {
        running_ = false;
        return;
      }
      field = queue_.front();
      queue_.pop_front();
      building_.assign(1, field);
      progress_.store(0, std::memory_order_relaxed);
    }
    if (gate_) gate_(stop_);
    auto index = std::make_unique<WordIndex>();
    Pause pause(*this, field);
    const WordIndex::Progress result =
        stop_.load()
            ? WordIndex::Progress::kStopped
            : index->ExtendTo(*data_, field, data_->row_count(), &stop_, memory_budget_, &pause);
    std::lock_guard lock(mutex_);
    building_.clear();
    if (result == WordIndex::Progress::kStopped) {
      running_ = false;
      return;
    }
    if (result == WordIndex::Progress::kOverBudget) index.reset();
    done_.push_back(Built{field, std::move(index)});
  }
}

WordIndexBuilder::Hold::Hold(WordIndexBuilder& builder) : builder_(builder) {
  std::lock_guard lock(builder_.pause_mutex_);
  ++builder_.held_;
  builder_.holds_.fetch_add(1, std::memory_order_relaxed);
}

WordIndexBuilder::Hold::~Hold() {
  {
    std::lock_guard lock(builder_.pause_mutex_);
    --builder_.held_;
    builder_.holds_.fetch_sub(1, std::memory_order_relaxed);
  }
  builder_.pause_changed_.notify_all();
}

const WordIndex* WordIndexBuilder::Hold::Partial(const TableData& data, size_t field,
                                                 size_t least_rows,
                                                 std::chrono::microseconds patience) const {
  {
    std::lock_guard lock(builder_.mutex_);
    const std::vector<size_t>& in_hand = builder_.building_;
    if (builder_.data_ != &data ||
        std::find(in_hand.begin(), in_hand.end(), field) == in_hand.end())
      return nullptr;
  }
  // Too few rows to be worth the wait.
  if (builder_.progress_.load(std::memory_order_relaxed) < least_rows) return nullptr;
  std::unique_lock lock(builder_.pause_mutex_);
  builder_.pause_changed_.wait_for(lock, patience, [&] { return builder_.waiting_ != nullptr; });
  // The build leaves its wait only once every hold has ended, this one too,
  // so what it has built stays as it is until then.
  return builder_.waiting_ != nullptr && builder_.waiting_field_ == field ? builder_.waiting_
                                                                          : nullptr;
}

void WordIndexBuilder::Pause::Between(const WordIndex& index) {
  WordIndexBuilder& b = builder_;
  b.progress_.store(index.rows(), std::memory_order_relaxed);
  if (b.holds_.load(std::memory_order_relaxed) == 0) return;
  std::unique_lock lock(b.pause_mutex_);
  if (b.held_ == 0) return;
  b.waiting_ = &index;
  b.waiting_field_ = field_;
  b.pause_changed_.notify_all();
  b.pause_changed_.wait(lock, [&] { return b.held_ == 0 || b.stop_.load(); });
  b.waiting_ = nullptr;
}

}  // namespace engine::filter
