// A gzip file inflated on a thread of its own, a few blocks ahead of its
// reader: listing a tar.gz is bound by inflating, and the tar headers and the
// members' CRCs are then read on the other core meanwhile.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace ordano {

class GzipPipe {
 public:
  // Inflates the file open at `fd` (not owned; it must stay open) from its
  // start. Concatenated members are one stream; bytes after the last member
  // that begin no other member are ignored, and the members' trailers are
  // not checked, as libarchive's gzip reader does.
  explicit GzipPipe(int fd);
  ~GzipPipe();
  GzipPipe(const GzipPipe&) = delete;
  GzipPipe& operator=(const GzipPipe&) = delete;

  // The next block of inflated data, valid until the next call; empty at the
  // end of the data and after a failure (then error() is not empty).
  std::span<const char> Next();
  const std::string& error() const { return error_; }

  // Whether a file starts as gzip does.
  static bool LooksLikeGzip(int fd);

 private:
  struct Block {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
  };
  void Inflate();
  // A free block to fill; nullptr when the reader is gone.
  Block* TakeFree();
  // Hands a filled block (or the end, with `failure` set when it is one) over.
  void Hand(Block* filled);
  void Finish(std::string failure);

  const int fd_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Block> blocks_;
  std::vector<Block*> free_, ready_;  // ready_ in the order filled
  std::size_t readyFront_ = 0;
  Block* reading_ = nullptr;  // the block the reader holds
  bool finished_ = false;     // no block comes after those ready
  bool stop_ = false;
  std::string failure_;  // set with finished_, by the inflating thread
  std::string error_;    // the reader's copy
  std::thread worker_;
};

}  // namespace ordano
