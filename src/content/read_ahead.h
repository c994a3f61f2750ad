// Files opened before their turn, with the system asked for their pages meanwhile: with a cold
// cache the disk then works on several files while the program reads one, where each read
// otherwise waited for the disk alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "platform/path_text.h"
#include "platform/readable_file.h"

/// One file opened before its turn: a comparison opens the candidate after its current one.
struct EarlyOpen {
  const PathChar* path = nullptr;  ///< the path it was opened as; null while none is open
  ReadableFile file;
};

/// Opens `path` early and asks for its first `length` bytes, unless a file is already open early.
/// Fails silently: the file is opened again, with its result, at its turn. A file that is `held`
/// (a hard link of the file the caller holds) is opened but asked for nothing: it is never read;
/// nor is one of kWholeAdviceLimit bytes or less.
void OpenEarly(EarlyOpen& early, const PathChar* path, std::int64_t length,
               const FileIdentity& held = FileIdentity{});

/// Opens `path` at its turn: takes the early open when it was made for this very path (the same
/// pointer), else closes any early open and opens the file now.
OpenResult TakeEarlyOrOpen(EarlyOpen& early, const PathChar* path, ReadableFile* file);

/// Closes the early open, if there is one.
void ReleaseEarly(EarlyOpen& early);

/// Files up to this size are asked for whole by the fingerprints, not just where the sample
/// lies: the comparisons that follow read them to the end, and a second visit to the disk for the
/// rest of a small file costs a wait as long as the first. A comparison asks for none of them
/// again: their pages are in the cache already, or were found there by the fingerprints.
constexpr std::int64_t kWholeAdviceLimit = 64 * 1024;

/// How many files past the one being read a window keeps open. Sampling 99,030 files one after
/// another with a cold cache took 9.55 s, and 2.70 s with 16 files asked for ahead. Each costs a
/// descriptor.
constexpr std::size_t kReadAheadFiles = 32;

enum class AheadState {
  kWaiting,  ///< to be opened when a descriptor is free, or at its turn
  kOpened,
  kDone,  ///< never to be opened (empty), failed to open, or read and closed
};

struct AheadFile {
  const PathChar* path = nullptr;
  std::int64_t size = 0;  ///< as catalogued
  ReadableFile file;
  AheadState state = AheadState::kWaiting;
};

/// Asks the system for the pages the reader will want of an open file of `size` bytes (as
/// catalogued).
using AdviseFunction = void (*)(const ReadableFile& file, std::int64_t size);

/// The files a loop reads in order, from the one at its turn on. Invariants:
/// - `files` are in reading order; the loop reads the front ones and drops them (DropRead).
/// - `openCount` files are kOpened, never more than `openLimit`; a file is opened ahead of its
///   turn only while `readingAhead`.
/// - `readingAhead` turns on once probes found the cache without a file's first pages
///   `kMissesToReadAhead` times in a row, and never off: with a warm cache, files opened far ahead
///   of their reads made a run over many small files 8% slower, and every request found its
///   pages in the cache anyway.
/// - `openLimit` only shrinks: to what the process could open when an open found no descriptor
///   left, and to 0 when even the file at its turn could not be opened. A run with few
///   descriptors then reads one file at a time instead of losing files.
struct ReadAheadWindow {
  std::deque<AheadFile> files;
  std::size_t openCount = 0;
  std::size_t openLimit = kReadAheadFiles;
  bool readingAhead = false;
  std::size_t turns = 0;  ///< files opened at their turn so far
  int missesInARow = 0;
  std::int64_t probeLength = 0;  ///< the first bytes a probe looks for in the cache
  AdviseFunction advise = nullptr;
  /// A file at its turn found no descriptor even with every other file closed.
  bool outOfDescriptors = false;
  /// Files read at their turn, closed together once there are kCloseTogether of them, when a
  /// descriptor is wanted, and by CloseRead.
  std::vector<ReadableFile> toClose;
};

/// How many files read at their turn are closed in one go: their descriptors are mostly
/// consecutive, and a run of them costs one system call.
constexpr std::size_t kCloseTogether = 32;

/// Appends a file to be read after the others. A file of size 0 is never opened: it is kDone.
void AddToWindow(ReadAheadWindow& window, const PathChar* path, std::int64_t size);

/// Once reading ahead, opens the waiting files in order, as far as the limit allows, and asks
/// for their pages.
void OpenAhead(ReadAheadWindow& window);

/// Makes `file`, one of the window's, open at its turn, opening it now if the window has not. When
/// that open finds no descriptor, the window gives back every one it holds and tries once more.
/// Every so many turns, probes whether the cache holds the file's first pages. True when open.
bool OpenAtTurn(ReadAheadWindow& window, AheadFile& file);

/// Closes a file opened at its turn, once it is read: later, with others (see `toClose`).
void CloseAtTurn(ReadAheadWindow& window, AheadFile& file);

/// Closes the files read and not yet closed. The loop calls it once done.
void CloseRead(ReadAheadWindow& window);

/// Drops the first `count` files, read and closed.
void DropRead(ReadAheadWindow& window, std::size_t count);
