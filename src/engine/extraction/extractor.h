#pragma once
// Extraction over several documents, on the calling thread or on worker threads. Both give the
// same items in the same order: documents in the given order, items in text order.

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "engine/corpus/document.h"
#include "engine/extraction/sentence_splitter.h"
#include "engine/retrieval/result_list.h"

namespace lantaro {

// What a worker thread reports about itself. Threads are numbered from 1.
struct WorkerEvent {
  enum class Kind { Started, Running, Ended };
  Kind kind = Kind::Started;
  unsigned thread = 1;
  std::size_t chunks_done = 0;  // chunks finished by all workers so far
  std::size_t chunks_total = 0;
};

// "成功启动线程n", "线程n正在执行", "结束线程n" (UTF-16, as the thread-information box shows).
std::u16string worker_event_text(const WorkerEvent& event);

struct ExtractionOptions {
  // 1: everything on the calling thread; more: that many workers; 0: one per core (at least 2).
  unsigned threads = 1;
  // Called from the workers (under their shared lock, so events arrive in the order recorded;
  // keep it short). Not called in single-threaded runs.
  std::function<void(const WorkerEvent&)> progress;
  // Set to stop early (the items are then incomplete); workers are never killed.
  const std::atomic<bool>* cancel = nullptr;
  // Roughly how many characters one chunk of work holds; 0 picks a size from the input.
  std::size_t chunk_chars = 0;
};

struct ExtractionResult {
  ResultList list;        // kind Sentences; documents and texts as given
  std::u16string report;  // e.g. "共提取到对话语句12"
  unsigned threads_used = 1;
};

// The number of workers `threads` asks for (0: one per core, at least 2).
unsigned resolve_thread_count(unsigned threads);

// The report line: the mode's text followed by the count.
std::u16string extraction_report(ExtractionMode mode, std::size_t count);

// Extracts from texts[i] of documents[i]; a missing text counts as empty.
ExtractionResult extract_sentences(const std::vector<Document>& documents,
                                   const std::vector<DocumentText>& texts, ExtractionMode mode,
                                   const ExtractionOptions& options = {});

// Extracts from the documents of a result list (the documents a search hit, in its order).
ExtractionResult extract_sentences(const ResultList& source, ExtractionMode mode,
                                   const ExtractionOptions& options = {});

}  // namespace lantaro
