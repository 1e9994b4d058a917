// pugixml's allocations failed on purpose: while in scope they are counted, and the one numbered
// failAt (from 0) fails.
#pragma once

#include <cstdlib>

#include <pugixml.hpp>

class FailingAllocations {
 public:
  explicit FailingAllocations(int failAt) {
    count_ = 0;
    failAt_ = failAt;
    pugi::set_memory_management_functions(Allocate, std::free);
  }
  ~FailingAllocations() { pugi::set_memory_management_functions(std::malloc, std::free); }
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;
  static int count() { return count_; }

 private:
  static void* Allocate(std::size_t size) { return count_++ == failAt_ ? nullptr : std::malloc(size); }
  static inline int count_ = 0;
  static inline int failAt_ = -1;
};
