// The decompressor on two threads: the stream's codes are decoded on the calling thread, where
// every read happens, and the bytes they stand for are produced and written on another, where
// every write happens. Reads, writes, their sizes and order, and the result are ExplodeStream's.
#pragma once

#include "implode/explode.h"

// ExplodeStream, with the decoding and the writing side by side. Without a thread or the memory
// for the tokens between the two, it is ExplodeStream itself. An exception from a callback leaves
// once both threads have stopped; the writes still owed for the tokens read before it are then
// not all made.
unsigned ExplodeInParallel(StreamReadCallback read, StreamWriteCallback write, ExplodeWorkArea& work,
                           void* param);
