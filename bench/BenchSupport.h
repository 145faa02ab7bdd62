#pragma once
// What the benchmark programs share: the heap in use, the temporary folder
// their books live in (removed at exit unless TALLO_BENCH_KEEP is set), and
// books made by the test-data generator, once per size and run.

#include <cstddef>
#include <string>

namespace tallo::bench {

// Heap bytes in use, in MiB (mallinfo2).
double heapInUseMiB();

// This run's folder for books, made on first use.
std::string benchRoot();

// Makes the current application home the one of a generated book of `n`
// transactions (tallo-gen's book, seed 1), generating and saving it the first
// time, and forgets the shared store and currency center so the next use
// opens the file afresh.
void useGeneratedBook(size_t n);

}  // namespace tallo::bench
