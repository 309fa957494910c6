#include "engine/extraction/extractor.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/retrieval/worker_pool.h"

namespace lantaro {

namespace {

std::u16string_view text_of(const std::vector<DocumentText>& texts, std::size_t i) {
  if (i >= texts.size() || !texts[i]) return {};
  return *texts[i];
}

// A stretch of one document's text, from one line start to another.
struct Segment {
  std::uint32_t document;
  std::size_t begin;
  std::size_t end;
};

// One piece of work for a worker: consecutive segments, possibly spanning several small
// documents or covering part of a large one. Chunks are in document and text order, so their
// items concatenated in chunk order are the items of a single-threaded run.
using Chunk = std::vector<Segment>;

// What one chunk found: spans (a quarter of a result item's size, so the work that scales with
// the workers is not spent moving memory) and how many of them each segment gave.
struct ChunkOutput {
  std::vector<TextSpan> spans;
  std::vector<std::size_t> counts;  // per segment
};

void run_chunk(const std::vector<DocumentText>& texts, const Chunk& chunk, ExtractionMode mode,
               ChunkOutput& out) {
  out.counts.reserve(chunk.size());
  for (const Segment& s : chunk) {
    const std::size_t before = out.spans.size();
    extract_range(text_of(texts, s.document), s.begin, s.end, mode, out.spans);
    out.counts.push_back(out.spans.size() - before);
  }
}

std::vector<Chunk> make_chunks(const std::vector<DocumentText>& texts, std::size_t documents,
                               std::size_t target) {
  std::vector<Chunk> chunks;
  Chunk current;
  std::size_t current_chars = 0;
  for (std::size_t d = 0; d < documents; ++d) {
    const std::u16string_view text = text_of(texts, d);
    std::size_t pos = 0;
    while (pos < text.size()) {
      const std::size_t room = target - current_chars;
      std::size_t cut = text.size();
      if (text.size() - pos > room) cut = next_line_start(text, pos + room);
      current.push_back({static_cast<std::uint32_t>(d), pos, cut});
      current_chars += cut - pos;
      pos = cut;
      if (current_chars >= target) {
        chunks.push_back(std::move(current));
        current.clear();
        current_chars = 0;
      }
    }
  }
  if (!current.empty()) chunks.push_back(std::move(current));
  return chunks;
}

// One extraction: the chunks, what each gave, and the result items they are merged into.
// Merging happens while the cutting goes on: whichever thread finishes a chunk appends every
// finished chunk that is next in order, so the copy into the result overlaps with the work and
// the items come out in chunk order whatever order the chunks finish in.
class Job {
 public:
  Job(const std::vector<DocumentText>& texts, std::vector<Chunk> chunks, ExtractionMode mode,
      std::size_t total_chars, std::vector<ResultItem>& items)
      : texts_(texts),
        chunks_(std::move(chunks)),
        mode_(mode),
        total_chars_(total_chars),
        outputs_(chunks_.size()),
        ready_(new std::atomic<bool>[chunks_.size()]),
        items_(items) {
    for (std::size_t c = 0; c < chunks_.size(); ++c) ready_[c].store(false);
  }

  std::size_t chunk_count() const { return chunks_.size(); }

  void process(std::size_t c) {
    run_chunk(texts_, chunks_[c], mode_, outputs_[c]);
    ready_[c].store(true, std::memory_order_release);
    // Never wait for the merger: a chunk left here is picked up by the next merge.
    std::unique_lock merging(merge_lock_, std::try_to_lock);
    if (merging) merge_ready();
  }

  // Once no thread processes chunks any more: merges what is left (after a cancel, the
  // finished chunks up to the first one never taken).
  void finish() {
    std::lock_guard merging(merge_lock_);
    merge_ready();
  }

 private:
  void merge_ready() {
    while (next_merge_ < chunks_.size() && ready_[next_merge_].load(std::memory_order_acquire)) {
      append(next_merge_++);
    }
  }

  void append(std::size_t c) {
    ChunkOutput& out = outputs_[c];
    if (items_.capacity() == 0) reserve_from_sample(c, out.spans.size());
    const TextSpan* span = out.spans.data();
    for (std::size_t s = 0; s < out.counts.size(); ++s) {
      const std::uint32_t document = chunks_[c][s].document;
      for (std::size_t k = out.counts[s]; k > 0; --k, ++span) {
        // A sentence longer than an item can hold (4 Gi characters) is shown in pieces.
        std::size_t start = span->start, left = span->length;
        do {
          const std::size_t piece = std::min(left, ResultItem::kMaxLength);
          items_.push_back(ResultItem{document, start, piece, start, piece});
          start += piece;
          left -= piece;
        } while (left > 0);
      }
    }
    std::vector<TextSpan>().swap(out.spans);  // hand the memory back as we go
  }

  // The first chunk tells roughly how many items the whole input holds; reserving for them
  // saves the copies of a growing vector (more items than guessed simply grow it).
  void reserve_from_sample(std::size_t c, std::size_t count) {
    std::size_t chars = 0;
    for (const Segment& s : chunks_[c]) chars += s.end - s.begin;
    if (chars == 0 || count == 0) return;
    const double per_char = static_cast<double>(count) / static_cast<double>(chars);
    const auto guess = static_cast<std::size_t>(per_char * 1.1 * static_cast<double>(total_chars_));
    // An item holds at least one character and something ends it.
    items_.reserve(std::min(guess, total_chars_ / 2) + 16);
  }

  const std::vector<DocumentText>& texts_;
  const std::vector<Chunk> chunks_;
  const ExtractionMode mode_;
  const std::size_t total_chars_;
  std::vector<ChunkOutput> outputs_;
  std::unique_ptr<std::atomic<bool>[]> ready_;
  std::mutex merge_lock_;
  std::size_t next_merge_ = 0;  // guarded by merge_lock_
  std::vector<ResultItem>& items_;
};

// Runs the job on `threads` workers. The workers take chunks one at a time (so a slow chunk
// does not hold the others up) and record their progress under one shared lock.
// `meanwhile` runs on the calling thread while the workers cut.
void run_job(Job& job, unsigned threads, const ExtractionOptions& options,
             const std::function<void()>& meanwhile) {
  // The progress record the workers share: how many chunks are done. Events are delivered
  // under the same lock, so they arrive in the order they were recorded.
  std::mutex lock;
  std::size_t chunks_done = 0;
  std::atomic<std::size_t> next_chunk{0};
  const std::size_t chunks = job.chunk_count();

  auto record = [&](unsigned n, WorkerEvent::Kind kind) {
    std::lock_guard guard(lock);
    if (options.progress) options.progress(WorkerEvent{kind, n, chunks_done, chunks});
  };
  auto cancelled = [&] {
    return options.cancel && options.cancel->load(std::memory_order_relaxed);
  };

  run_workers(
      threads,
      [&](unsigned index) {
        const unsigned n = index + 1;  // threads are numbered from 1 where the user sees them
        std::exception_ptr failure;
        try {
          record(n, WorkerEvent::Kind::Started);
          for (;;) {
            if (cancelled()) break;
            const std::size_t c = next_chunk.fetch_add(1, std::memory_order_relaxed);
            if (c >= chunks) break;
            record(n, WorkerEvent::Kind::Running);
            job.process(c);
            std::lock_guard guard(lock);
            ++chunks_done;
          }
        } catch (...) {
          failure = std::current_exception();
        }
        // The end is recorded even after a failure, so whoever watches sees every worker end.
        try {
          record(n, WorkerEvent::Kind::Ended);
        } catch (...) {
          if (!failure) throw;
        }
        if (failure) std::rethrow_exception(failure);
      },
      meanwhile);
}

}  // namespace

std::u16string worker_event_text(const WorkerEvent& event) {
  std::u16string number;
  for (char ch : std::to_string(event.thread)) number += static_cast<char16_t>(ch);
  switch (event.kind) {
    case WorkerEvent::Kind::Started: return u"成功启动线程" + number;
    case WorkerEvent::Kind::Running: return u"线程" + number + u"正在执行";
    case WorkerEvent::Kind::Ended: return u"结束线程" + number;
  }
  return {};
}

unsigned resolve_thread_count(unsigned threads) {
  if (threads != 0) return threads;
  return std::max(2u, std::thread::hardware_concurrency());
}

std::u16string extraction_report(ExtractionMode mode, std::size_t count) {
  std::u16string text;
  switch (mode) {
    case ExtractionMode::Dialogue: text = u"共提取到对话语句"; break;
    case ExtractionMode::Narrative: text = u"共提取到叙述语句"; break;
    case ExtractionMode::AllSentences: text = u"共提取到语句"; break;
  }
  for (char ch : std::to_string(count)) text += static_cast<char16_t>(ch);
  return text;
}

ExtractionResult extract_sentences(const std::vector<Document>& documents,
                                   const std::vector<DocumentText>& texts, ExtractionMode mode,
                                   const ExtractionOptions& options) {
  ExtractionResult result;
  result.list.kind = ResultKind::Sentences;
  // Copying a large library's document list takes a while; workers run meanwhile.
  auto fill_documents = [&] {
    result.list.documents = documents;
    result.list.texts = texts;
    result.list.texts.resize(documents.size());
  };
  const unsigned threads = resolve_thread_count(options.threads);
  result.threads_used = threads;
  std::vector<ResultItem>& items = result.list.items;

  std::size_t total = 0;
  for (std::size_t d = 0; d < documents.size(); ++d) total += text_of(texts, d).size();
  // Several chunks per worker even out uneven documents; small ones are grouped so that a
  // library of many short texts does not pay per-document overhead. One thread cuts the same
  // chunks in turn, which keeps its working memory small too.
  std::size_t target = options.chunk_chars;
  if (target == 0) target = std::max<std::size_t>(total / (std::size_t{threads} * 32), 1 << 15);
  Job job(texts, make_chunks(texts, documents.size(), target), mode, total, items);
  if (threads == 1) {
    fill_documents();
    for (std::size_t c = 0; c < job.chunk_count(); ++c) {
      if (options.cancel && options.cancel->load(std::memory_order_relaxed)) break;
      job.process(c);
    }
  } else {
    run_job(job, threads, options, fill_documents);
  }
  job.finish();
  result.report = extraction_report(mode, items.size());
  return result;
}

ExtractionResult extract_sentences(const ResultList& source, ExtractionMode mode,
                                   const ExtractionOptions& options) {
  return extract_sentences(source.documents, source.texts, mode, options);
}

}  // namespace lantaro
