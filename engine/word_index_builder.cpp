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
    }
    if (gate_) gate_(stop_);
    auto index = std::make_unique<WordIndex>();
    const WordIndex::Progress result =
        stop_.load()
            ? WordIndex::Progress::kStopped
            : index->ExtendTo(*data_, field, data_->row_count(), &stop_, memory_budget_, &holds_);
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

}  // namespace engine::filter
