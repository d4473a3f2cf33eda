#include "scan/archive/gzip_pipe.h"

#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>

namespace ordano {
namespace {

constexpr std::size_t kInBlock = 256 * 1024;
constexpr std::size_t kOutBlock = 256 * 1024;
// Inflated blocks in flight: enough to keep both threads busy, little memory.
constexpr std::size_t kBlocks = 4;

class Inflater {
 public:
  Inflater() {
    ok_ = inflateInit2(&z_, 15 + 16) == Z_OK;  // gzip wrapper only
    if (ok_) NoChecks();
  }
  void Reset() {
    inflateReset(&z_);
    NoChecks();
  }
  ~Inflater() {
    if (ok_) inflateEnd(&z_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
  bool ok() const { return ok_; }
  z_stream& z() { return z_; }

 private:
  // Trailers are not checked (libarchive does not check them either), so
  // the CRC of the whole stream is not computed: it would cost the inflating
  // thread about a tenth of its time.
  void NoChecks() { inflateValidate(&z_, 0); }

  z_stream z_{};
  bool ok_ = false;
};

}  // namespace

bool GzipPipe::LooksLikeGzip(int fd) {
  unsigned char head[3] = {};
  return pread(fd, head, sizeof head, 0) == static_cast<ssize_t>(sizeof head) && head[0] == 0x1F &&
         head[1] == 0x8B && head[2] == 8;
}

GzipPipe::GzipPipe(int fd) : fd_(fd), blocks_(kBlocks) {
  for (Block& b : blocks_) {
    b.data = std::make_unique_for_overwrite<char[]>(kOutBlock);
    free_.push_back(&b);
  }
  worker_ = std::thread([this] { Inflate(); });
}

GzipPipe::~GzipPipe() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

std::span<const char> GzipPipe::Next() {
  std::unique_lock lock(mutex_);
  if (reading_ != nullptr) {
    free_.push_back(reading_);
    reading_ = nullptr;
    changed_.notify_all();
  }
  changed_.wait(lock, [this] { return readyFront_ < ready_.size() || finished_; });
  if (readyFront_ == ready_.size()) {
    error_ = failure_;
    return {};
  }
  reading_ = ready_[readyFront_++];
  if (readyFront_ == ready_.size()) {
    ready_.clear();
    readyFront_ = 0;
  }
  return {reading_->data.get(), reading_->size};
}

GzipPipe::Block* GzipPipe::TakeFree() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !free_.empty() || stop_; });
  if (stop_) return nullptr;
  Block* b = free_.back();
  free_.pop_back();
  return b;
}

void GzipPipe::Hand(Block* filled) {
  {
    const std::lock_guard lock(mutex_);
    ready_.push_back(filled);
  }
  changed_.notify_all();
}

void GzipPipe::Finish(std::string failure) {
  {
    const std::lock_guard lock(mutex_);
    failure_ = std::move(failure);
    finished_ = true;
  }
  changed_.notify_all();
}

void GzipPipe::Inflate() {
  Inflater inflater;
  if (!inflater.ok()) return Finish("cannot start inflating");
  z_stream& z = inflater.z();
  const auto in = std::make_unique_for_overwrite<unsigned char[]>(kInBlock);
  off_t offset = 0;
  bool atEof = false;
  bool memberEnded = false;
  // More input after what is left unread; false at the end of the file.
  const auto refill = [&]() -> bool {
    if (atEof) return false;
    if (z.avail_in > 0) std::memmove(in.get(), z.next_in, z.avail_in);
    ssize_t n;
    do {
      n = pread(fd_, in.get() + z.avail_in, kInBlock - z.avail_in, offset);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
      atEof = true;  // a read error ends the input like its end does
      return false;
    }
    offset += n;
    z.next_in = in.get();
    z.avail_in += static_cast<uInt>(n);
    return true;
  };

  Block* out = nullptr;
  while (true) {
    if (out == nullptr) {
      out = TakeFree();
      if (out == nullptr) return;  // the reader is gone
      z.next_out = reinterpret_cast<Bytef*>(out->data.get());
      z.avail_out = static_cast<uInt>(kOutBlock);
    }
    if (memberEnded) {
      // Another member follows only when its header starts here.
      while (z.avail_in < 2 && refill()) {
      }
      if (z.avail_in < 2 || z.next_in[0] != 0x1F || z.next_in[1] != 0x8B) break;
      inflater.Reset();
      memberEnded = false;
    }
    if (z.avail_in == 0 && !refill()) {
      out->size = kOutBlock - z.avail_out;
      if (out->size > 0) Hand(out);
      return Finish("truncated gzip input");
    }
    const int r = inflate(&z, Z_NO_FLUSH);
    if (r == Z_STREAM_END) {
      memberEnded = true;
    } else if (r != Z_OK && r != Z_BUF_ERROR) {
      out->size = kOutBlock - z.avail_out;
      if (out->size > 0) Hand(out);
      return Finish(z.msg != nullptr ? z.msg : "gzip decompression failed");
    }
    if (z.avail_out == 0) {
      out->size = kOutBlock;
      Hand(out);
      out = nullptr;
    }
  }
  out->size = kOutBlock - z.avail_out;
  if (out->size > 0) Hand(out);
  Finish({});
}

}  // namespace ordano
