// The staged project's last stretch compressed on a thread of its own while the blocks are
// extracted, the unit-setup document converted and the project merged. The conversion changes nothing past the data
// blocks, so the merged project most likely ends with those same bytes; where they stand in it is
// known only once the merge is planned, and the loose encoding does not need to know
// (implode/loose_encoding.h). The packing of the output takes what of it the merged project
// still ends with.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "implode/loose_encoding.h"
#include "platform/platform.h"

class PackingHeadStart {
 public:
  // Projects smaller than this gain too little to be worth a thread.
  static constexpr std::uint64_t kLeastProject = std::uint64_t{8} << 20;

  // Begins on the staged project of `size` bytes (already validated: nothing writes it any
  // more); null when it is too small, cannot be mapped so, or no thread can be had.
  static std::unique_ptr<PackingHeadStart> Begin(const std::string& staged, std::uint64_t size);

  // Stops the encoding wherever it has got to and hands it over: what it made, over the mapping,
  // which lives as long as this object. Null when it made nothing of use.
  const implode::LooseEncoding* Finish();

  ~PackingHeadStart();
  PackingHeadStart(const PackingHeadStart&) = delete;
  PackingHeadStart& operator=(const PackingHeadStart&) = delete;

 private:
  explicit PackingHeadStart(std::unique_ptr<platform::FileMapping> mapping);
  void Run();

  const std::unique_ptr<platform::FileMapping> mapping_;
  std::atomic<bool> stop_{false};
  implode::LooseEncoding loose_;
  bool made_ = false;  // the thread's until it is joined
  std::thread thread_;
};
