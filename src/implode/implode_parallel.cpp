#include "implode/implode_parallel.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "implode/implode_passes.h"
#include "implode/loose_encoding.h"

namespace {

using implode::BitRange;
using implode::PassRun;
using implode::PassRunResult;
using implode::PassStop;
using implode::PassWatch;
using implode::ReadStretch;
using implode::Stretch;
using implode::WriteCodes;
using implode::WriteStretch;
using implode::kLookahead;

constexpr std::uint64_t kNever = ~std::uint64_t{0};
// A segment begins at pass 2 or later, where the window no longer depends on the stream's start.
constexpr std::uint64_t kFirstSplitPass = 2;
// A splice reads up to 8 bytes past the byte that holds its last bit.
constexpr std::size_t kSpliceOverread = 8;

// Where a pass began in a segment's encoding: its first token's window offset and the code bits
// before it.
struct Mark {
  std::uint32_t position;
  std::uint64_t bits;
};

// One encoding from a pass on. It runs until it meets the encoding that follows it, reaches the
// input's end, or is overtaken by the one before it (abandoned). A piece of the loose tail is one
// made beforehand: its marks are all published, it runs no more, and it has met the segment that
// encodes across the block end where the stream's tokens leave it. All but `codes` is the lock's.
struct Segment {
  std::uint64_t firstPass = 0;
  std::uint32_t firstPosition = 0;  // of its first token, when known (0: the pass's start)
  std::unique_ptr<Mark[]> marks;    // one per pass from firstPass on, as many as `room`
  std::uint64_t room = 0;
  std::uint64_t published = 0;      // marks written
  std::vector<std::uint8_t> codes;  // the caller's writes take the first segment's
  const std::uint8_t* borrowed = nullptr;  // a piece's codes: the loose encoding's
  Segment* next = nullptr;                 // the segment that began after it
  bool started = true;                     // false: waiting for a thread
  bool running = true;
  bool abandoned = false;
  bool failed = false;              // it ran out of memory: its codes are not to be used
  std::uint64_t joinedAt = kNever;  // the pass at which it met `joinTo`
  Segment* joinTo = nullptr;
  std::uint64_t joinFromBit = 0;    // where that pass begins in joinTo's codes
  std::uint64_t bits = 0;           // every code bit it put
  bool ended = false;               // its codes hold the end code
  bool metBefore = false;           // one before it met it: its codes are needed
  bool piece = false;

  const std::uint8_t* CodeBytes() const { return borrowed != nullptr ? borrowed : codes.data(); }
};

class SplitCompression {
 public:
  SplitCompression(const std::uint8_t* input, const std::uint64_t size, const std::uint32_t literalMode,
                   const std::uint32_t dictionarySize, const ImplodeSplit& split)
      : tail_(split.tail),
        input_(input),
        size_(size),
        literalMode_(literalMode),
        dictionarySize_(dictionarySize),
        lastPass_(size / kImplodeReadSize),
        leastPasses_(std::max<std::uint64_t>(1, split.leastSegment / kImplodeReadSize)),
        threads_(std::max(1u, split.threads)),
        patient_(split.patient) {}

  SplitCompression(const SplitCompression&) = delete;
  SplitCompression& operator=(const SplitCompression&) = delete;

  ~SplitCompression() {
    {
      const std::lock_guard<std::mutex> hold(lock_);
      stopping_ = true;
      for (const std::unique_ptr<Segment>& segment : segments_) segment->abandoned = true;
    }
    published_.notify_all();
    JoinWorkers();
  }

  // Room for every segment there can be, the pieces of the loose tail the input still ends with,
  // and the first segments, one per thread, spread evenly before those; false when the memory
  // cannot be had.
  bool Prepare() {
    const std::uint64_t most = std::max<std::uint64_t>(1, (lastPass_ + 1) / leastPasses_);
    std::vector<TailPiece> pieces;
    try {
      if (tail_ != nullptr) pieces = TailPieces(*tail_);
      segments_.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(most, 16 * threads_) + 1 + 2 * pieces.size()));
      splice_.reserve(segments_.capacity());
      workers_.reserve(threads_);
    } catch (const std::bad_alloc&) {
      return false;
    }
    const std::uint64_t headPasses = pieces.empty() ? lastPass_ + 1 : pieces.front().firstPass;
    Segment* last = NewSegment(0);
    if (last == nullptr) return false;
    for (std::uint64_t i = 1; i < threads_; ++i) {
      const std::uint64_t pass = std::max(kFirstSplitPass, i * headPasses / threads_);
      if (pass < last->firstPass + leastPasses_ || pass + leastPasses_ > headPasses) continue;
      Segment* const segment = NewSegment(pass);
      if (segment == nullptr) break;
      last->next = segment;
      last = segment;
    }
    initial_ = segments_.size();
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      const std::uint64_t bound = i + 1 < pieces.size() ? pieces[i + 1].lastPass + kRepairSlack : lastPass_;
      if (!AddPiece(pieces[i], last, bound)) break;
    }
    return true;
  }

  // Encodes the first segment here and each of the others on a thread of its own; threads that
  // finish split the largest stretch no one encodes yet. A thread that cannot be had leaves its
  // segment to the one before.
  void Run(StreamWriteCallback write, ImplodeWorkArea& work, void* param) {
    // Once a thread runs, others may add segments: the first ones are taken before.
    std::vector<Segment*> first;
    for (std::size_t i = 0; i < initial_; ++i) first.push_back(segments_[i].get());
    // With pieces there is work for every thread: the segments after them.
    if (initial_ < segments_.size()) first.resize(std::max<std::size_t>(first.size(), threads_), nullptr);
    for (std::size_t i = 1; i < first.size(); ++i) {
      try {
        workers_.emplace_back([this, segment = first[i]] { Work(segment); });
      } catch (const std::system_error&) {
        const std::lock_guard<std::mutex> hold(lock_);
        for (std::size_t j = i; j < first.size(); ++j) {
          if (first[j] != nullptr) first[j]->running = false;
        }
        published_.notify_all();
        break;
      }
    }
    Stretch stretch{input_, input_ + size_, write, param};
    FirstWatch watch(*this);
    EncodePasses(ReadStretch, WriteStretch, work, &stretch, literalMode_, dictionarySize_, PassRun{0, nullptr, &watch});
  }

  unsigned segments() const { return static_cast<unsigned>(segments_.size()); }
  unsigned joined() const { return static_cast<unsigned>(splice_.size()); }
  unsigned adopted() const { return adopted_; }

 private:
  class FirstWatch final : public PassWatch {
   public:
    explicit FirstWatch(SplitCompression& split) : split_(split) {}
    PassStop AtPass(const std::uint64_t pass, const std::uint32_t position, const std::uint64_t bits) override {
      return split_.FirstAtPass(pass, position, bits);
    }

   private:
    SplitCompression& split_;
  };

  class SegmentWatch final : public PassWatch {
   public:
    SegmentWatch(SplitCompression& split, Segment& segment) : split_(split), segment_(segment) {}
    PassStop AtPass(const std::uint64_t pass, const std::uint32_t position, const std::uint64_t bits) override {
      std::unique_lock<std::mutex> hold(split_.lock_);
      return PassStop{split_.Met(segment_, pass, position, bits, hold)};
    }

   private:
    SplitCompression& split_;
    Segment& segment_;
  };

  // A stretch of the loose tail the stream takes as it is: its marks, from its first pass to the
  // one where the segment after it takes over.
  struct TailPiece {
    std::uint64_t firstPass;
    std::uint64_t lastPass;
    std::vector<Mark> marks;
  };

  // Pieces end where the stream's tokens leave the loose ones; the segment after one has marks for
  // this many passes past the next piece's end, and is of no use when it has not met anything by then.
  static constexpr std::uint64_t kRepairSlack = 16;

  // How many bytes a and b end with alike; b's bytes compared are told to `compared`.
  static std::uint64_t CommonSuffix(const std::uint8_t* const a, const std::uint64_t aSize, const std::uint8_t* const b,
                                    const std::uint64_t bSize,
                                    const std::function<void(std::uint64_t, std::uint64_t)>& compared) {
    constexpr std::uint64_t kChunk = std::uint64_t{1} << 16;
    const std::uint64_t most = std::min(aSize, bSize);
    std::uint64_t same = 0;
    while (same < most) {
      const std::uint64_t n = std::min(kChunk, most - same);
      const std::uint8_t* const x = a + aSize - same - n;
      const std::uint8_t* const y = b + bSize - same - n;
      const bool differ = std::memcmp(x, y, n) != 0;
      if (compared) compared(bSize - same - n, n);
      if (differ) {
        std::uint64_t i = n;
        while (x[i - 1] == y[i - 1]) --i;
        return same + (n - i);
      }
      same += n;
    }
    return same;
  }

  // The pieces of the loose tail, in order: from the first pass whose tokens depend only on bytes
  // the input ends with alike, to the last the loose encoding reached, cut after each pass whose
  // last position holds a lazy literal of it. None when the input ends with too little of it.
  std::vector<TailPiece> TailPieces(const implode::LooseEncoding& tail) const {
    std::vector<TailPiece> pieces;
    if (tail.literalMode != literalMode_ || tail.dictionarySize != dictionarySize_ || tail.log.checkpoints.empty() ||
        tail.begin < 2 * kImplodeReadSize || tail.size > size_ + tail.begin) {
      return pieces;
    }
    const std::uint64_t read = tail.begin - 2 * kImplodeReadSize;  // the first byte the loose encoding read
    const auto compared = [&tail, read](const std::uint64_t from, const std::uint64_t size) {
      if (tail.compared) tail.compared(read + from, size);
    };
    const std::uint64_t same = CommonSuffix(input_, size_, tail.source + read, tail.size - read, compared);
    // A token depends on the dictionary before it and the lookahead after it.
    const auto firstTrusted = static_cast<std::int64_t>(std::max(tail.size - same, tail.begin) + dictionarySize_);
    const auto shift = static_cast<std::int64_t>(size_) - static_cast<std::int64_t>(tail.size);
    const auto reached = static_cast<std::int64_t>(tail.reached);
    const std::uint32_t blockStart = dictionarySize_ + kLookahead;
    // Where pass k's first token may begin, in the loose encoding's positions.
    const auto start = [&](const std::uint64_t k) {
      return static_cast<std::int64_t>(k * kImplodeReadSize) - static_cast<std::int64_t>(kLookahead) - shift;
    };
    std::uint64_t k = kFirstSplitPass;
    while (k <= lastPass_ && start(k) < firstTrusted) ++k;
    const std::vector<std::uint64_t>& lazy = tail.log.lazyLiterals;
    TailPiece piece{k, k, {}};
    for (; k <= lastPass_ && start(k) < reached; ++k) {
      const implode::TokenMark mark = implode::LooseMarkAt(tail, static_cast<std::uint64_t>(start(k)));
      const std::int64_t window = static_cast<std::int64_t>(mark.position) + shift -
                                  static_cast<std::int64_t>(k * kImplodeReadSize) + blockStart;
      if (window < dictionarySize_ || window >= dictionarySize_ + kLookahead) return {};  // not expected
      piece.marks.push_back(Mark{static_cast<std::uint32_t>(window), mark.bits});
      // Its last position, where the stream takes no lazy step.
      const std::int64_t last = start(k + 1) - 1;
      const bool leaves = k == lastPass_ || start(k + 1) >= reached ||
                          std::binary_search(lazy.begin(), lazy.end(), static_cast<std::uint64_t>(last));
      if (!leaves) continue;
      piece.lastPass = k;
      pieces.push_back(std::move(piece));
      piece = TailPiece{k + 1, k + 1, {}};
    }
    return pieces;
  }

  // Puts the piece after `last`, and after it the segment that encodes on from the piece's last
  // pass, with marks as far as `bound`; that one becomes `last`.
  bool AddPiece(const TailPiece& piece, Segment*& last, const std::uint64_t bound) {
    if (segments_.capacity() - segments_.size() < 2) return false;
    Segment* const taken = NewSegment(piece.firstPass, piece.lastPass);
    if (taken == nullptr) return false;
    Segment* const after = NewSegment(piece.lastPass, bound);
    if (after == nullptr) {
      segments_.pop_back();
      return false;
    }
    std::copy(piece.marks.begin(), piece.marks.end(), taken->marks.get());
    taken->published = piece.marks.size();
    taken->piece = true;
    taken->running = false;
    taken->borrowed = tail_->codes.data();
    taken->bits = piece.marks.back().bits;
    taken->joinedAt = piece.lastPass;
    taken->joinTo = after;
    taken->joinFromBit = 0;
    taken->next = after;
    after->firstPosition = piece.marks.back().position;
    after->started = false;
    last->next = taken;
    last = after;
    return true;
  }

  // Marks for the passes up to lastPass.
  Segment* NewSegment(const std::uint64_t firstPass, const std::uint64_t lastPass = ~std::uint64_t{0}) {
    if (segments_.size() == segments_.capacity()) return nullptr;
    auto segment = std::unique_ptr<Segment>(new (std::nothrow) Segment());
    if (!segment) return nullptr;
    segment->firstPass = firstPass;
    segment->room = (std::min(lastPass, lastPass_) + 1) - firstPass;
    segment->marks.reset(new (std::nothrow) Mark[segment->room]);
    if (!segment->marks) return nullptr;
    segments_.push_back(std::move(segment));
    return segments_.back().get();
  }

  // Notes where the pass begins and says whether the segment stops here: abandoned, or met by the
  // encoding that follows it, whose codes from here on then stand for its own.
  bool Met(Segment& segment, const std::uint64_t pass, const std::uint32_t position, const std::uint64_t bits,
           std::unique_lock<std::mutex>& hold) {
    if (pass - segment.firstPass >= segment.room) return true;  // it went on too long to be of use
    segment.marks[pass - segment.firstPass] = Mark{position, bits};
    segment.published = pass - segment.firstPass + 1;
    published_.notify_all();
    for (;;) {
      if (segment.abandoned) return true;
      Segment* follower = segment.next;
      while (follower != nullptr && !follower->running && follower->joinedAt <= pass) follower = follower->joinTo;
      if (follower == nullptr || pass < follower->firstPass) return false;
      const std::uint64_t k = pass - follower->firstPass;
      if (k < follower->published) {
        const Mark& mark = follower->marks[k];
        if (mark.position != position) return false;
        segment.running = false;
        segment.joinedAt = pass;
        segment.joinTo = follower;
        segment.joinFromBit = mark.bits;
        // A piece's codes lead on into the segment it has met: that one is needed too.
        for (Segment* needed = follower; needed != nullptr; needed = needed->piece ? needed->joinTo : nullptr) {
          needed->metBefore = true;
        }
        return true;
      }
      if (!follower->running) {
        // It failed, or was abandoned: what it would encode, this one encodes.
        segment.next = follower->next;
        continue;
      }
      if (!follower->metBefore && (!patient_ || !follower->started)) {
        // It is behind, and no one needs its codes: this one takes its place.
        follower->abandoned = true;
        segment.next = follower->next;
        continue;
      }
      // It is behind, and others need its codes from where they met it: wait until it gets here.
      published_.wait(hold);
    }
  }

  // The first segment stops where it meets the encoding that follows it, once every thread has
  // finished: its codes then end with the chain of segments met, the last of which reached the end.
  PassStop FirstAtPass(const std::uint64_t pass, const std::uint32_t position, const std::uint64_t bits) {
    {
      std::unique_lock<std::mutex> hold(lock_);
      if (alone_ || !Met(*segments_.front(), pass, position, bits, hold)) return {};
    }
    // This thread helps with the rest in a work area of its own.
    Work(nullptr);
    JoinWorkers();
    const std::lock_guard<std::mutex> hold(lock_);
    splice_.clear();
    const Segment* segment = segments_.front().get();
    for (std::uint64_t from = segment->joinFromBit; segment->joinedAt != kNever;) {
      const Segment* const met = segment->joinTo;
      if (met->failed) break;
      splice_.push_back(BitRange{met->CodeBytes(), from, met->bits});
      if (met->piece) ++adopted_;
      from = met->joinFromBit;
      segment = met;
    }
    if (splice_.empty() || !segment->ended) {
      // Not expected; encoding on alone is always right.
      splice_.clear();
      alone_ = true;
      return {};
    }
    return PassStop{true, splice_.data(), splice_.size()};
  }

  // Encodes the segment, if any, then until no stretch is left worth splitting: starts a segment
  // halfway into the largest stretch ahead of a running one that no other encodes, and encodes it.
  void Work(Segment* segment) {
    const std::unique_ptr<ImplodeWorkArea> work(new (std::nothrow) ImplodeWorkArea());
    if (!work) {
      if (segment == nullptr) return;
      const std::lock_guard<std::mutex> hold(lock_);
      segment->running = false;
      published_.notify_all();
      return;
    }
    for (;;) {
      if (segment != nullptr) Encode(*segment, *work);
      const std::lock_guard<std::mutex> hold(lock_);
      segment = Split();
      if (segment == nullptr) return;
    }
  }

  Segment* Split() {
    if (stopping_) return nullptr;
    for (const std::unique_ptr<Segment>& segment : segments_) {
      if (segment->started || segment->abandoned) continue;
      segment->started = true;
      return segment.get();
    }
    Segment* widest = nullptr;
    std::uint64_t widestGap = 0;
    std::uint64_t start = 0;
    for (const std::unique_ptr<Segment>& segment : segments_) {
      if (!segment->running || segment->abandoned || !segment->started) continue;
      const std::uint64_t at = segment->firstPass + segment->published;
      const std::uint64_t limit = segment->next != nullptr ? segment->next->firstPass : lastPass_ + 1;
      if (limit <= at || limit - at <= widestGap) continue;
      const std::uint64_t middle = std::max(kFirstSplitPass, at + (limit - at) / 2);
      if (middle < at + leastPasses_ || middle + leastPasses_ > limit) continue;
      widest = segment.get();
      widestGap = limit - at;
      start = middle;
    }
    if (widest == nullptr) return nullptr;
    Segment* const split = NewSegment(start);
    if (split == nullptr) return nullptr;
    split->next = widest->next;
    widest->next = split;
    return split;
  }

  void Encode(Segment& segment, ImplodeWorkArea& work) {
    std::memset(&work, 0, sizeof work);
    const std::uint8_t* const block = input_ + segment.firstPass * kImplodeReadSize;
    Stretch stretch{block, input_ + size_, WriteCodes, &segment.codes};
    SegmentWatch watch(*this, segment);
    PassRunResult result{0, false};
    bool failed = false;
    try {
      result = EncodePasses(ReadStretch, WriteStretch, work, &stretch, literalMode_, dictionarySize_,
                            PassRun{segment.firstPass, block, &watch, segment.firstPosition});
      segment.codes.resize(segment.codes.size() + kSpliceOverread);
    } catch (const std::bad_alloc&) {
      failed = true;
    }
    const std::lock_guard<std::mutex> hold(lock_);
    published_.notify_all();
    segment.running = false;
    segment.failed = failed;
    segment.bits = result.bits;
    segment.ended = result.ended;
    if (!result.ended) return;
    // The segments after one that reached the end are of no use.
    for (Segment* after = segment.next; after != nullptr; after = after->next) after->abandoned = true;
  }

  void JoinWorkers() {
    for (std::thread& worker : workers_) {
      if (worker.joinable()) worker.join();
    }
  }

  const implode::LooseEncoding* const tail_;
  const std::uint8_t* const input_;
  const std::uint64_t size_;
  const std::uint32_t literalMode_;
  const std::uint32_t dictionarySize_;
  const std::uint64_t lastPass_;     // the pass that reads the input's end
  const std::uint64_t leastPasses_;  // the least a new segment is given
  const unsigned threads_;
  const bool patient_;
  std::mutex lock_;
  std::condition_variable published_;  // a segment noted a pass or stopped
  std::vector<std::unique_ptr<Segment>> segments_;  // never grows past its reserve: segments stay put
  std::size_t initial_ = 0;                         // segments_ before the pieces
  unsigned adopted_ = 0;
  bool alone_ = false;                              // the first segment encodes the rest itself
  bool stopping_ = false;                           // no segment is to start any more
  std::vector<BitRange> splice_;
  std::vector<std::thread> workers_;
};

}  // namespace

unsigned ImplodeInParallel(const std::uint8_t* input, const std::uint64_t size, StreamWriteCallback write,
                           ImplodeWorkArea& work, void* param, const std::uint32_t literalMode,
                           const std::uint32_t dictionarySize, const ImplodeSplit& split,
                           ImplodeSplitReport* report) {
  if (implode::DictionaryBits(dictionarySize) == 0) return kStreamBadDictionary;
  if (literalMode > 1) return kStreamBadLiteralMode;
  SplitCompression compression(input, size, literalMode, dictionarySize, split);
  if (split.threads <= 1 || size < 2 * split.leastSegment || !compression.Prepare()) {
    Stretch stretch{input, input + size, write, param};
    ImplodeStream(ReadStretch, WriteStretch, work, &stretch, literalMode, dictionarySize);
    if (report != nullptr) *report = ImplodeSplitReport{1, 0};
    return kStreamOk;
  }
  compression.Run(write, work, param);
  if (report != nullptr) {
    *report = ImplodeSplitReport{compression.segments(), compression.joined(), compression.adopted()};
  }
  return kStreamOk;
}
