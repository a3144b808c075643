#include "containers/tiff_sinks.h"

#include <cerrno>

#include "containers/tiff_chain.h"
#include "containers/tiff_page.h"

namespace projconv {

namespace {

// A classic TIFF addresses 4 GiB; pages, directories and the slack of an
// estimate stay well inside this.
constexpr std::uint64_t kClassicTiffBytes = (std::uint64_t(1) << 32) - (std::uint64_t(64) << 20);

// The system's reason when it gave one (a full disk, a missing folder), which
// says more than libtiff's own words; errno is cleared before each call.
SinkFailure Failure(const std::string& file, std::int64_t number) {
  const int error = errno;
  std::string reason = TakeTiffError();
  if (error != 0) return SinkFailure{file, error, {}, number};
  return SinkFailure{file, 0, std::move(reason), number};
}

}  // namespace

bool TiffFiles::Put(std::int64_t number, const std::string& rawName, std::int32_t width,
                    std::int32_t height, std::span<const std::int16_t> samples,
                    SinkFailure& failure) {
  errno = 0;
  TIFF* const tiff = OpenTiff(rawName, "w");
  if (tiff == nullptr) {
    failure = Failure(rawName, number);
    return false;
  }
  if (!WriteTiffPage(tiff, width, height, samples)) {
    failure = Failure(rawName, number);
    TIFFCleanup(tiff);  // closing would write a directory for the broken page
    return false;
  }
  TIFFClose(tiff);
  return true;
}

TiffStack::TiffStack(std::string path, std::uint64_t expectedBytes)
    : path_(std::move(path)), big_(expectedBytes > kClassicTiffBytes), file_(path_) {}

TiffStack::~TiffStack() {
  SinkFailure ignored;
  Finish(ignored);
}

bool TiffStack::Finish(SinkFailure& failure) {
  if (tiff_ != nullptr) TIFFClose(tiff_);
  tiff_ = nullptr;
  return file_.Settle(pages_ > 0, failure);
}

bool TiffStack::Put(std::int64_t number, const std::string&, std::int32_t width,
                    std::int32_t height, std::span<const std::int16_t> samples,
                    SinkFailure& failure) {
  if (!file_.claimed() && !file_.Claim(failure)) return false;
  errno = 0;
  if (tiff_ == nullptr) tiff_ = OpenTiff(file_.partial(), big_ ? "w8" : "w");
  if (tiff_ == nullptr) {
    failure = Failure(path_, number);
    return false;
  }
  if (!WriteTiffPage(tiff_, width, height, samples)) {
    failure = Failure(path_, number);
    // Let go without closing, which would write a directory for the broken
    // page, and end the chain at the last page written whole, which may
    // already point at the broken one: every reader opens the file without
    // a warning.
    TIFFCleanup(tiff_);
    tiff_ = nullptr;
    EndTiffAfterWholePages(file_.partial());
    return false;
  }
  ++pages_;
  return true;
}

}  // namespace projconv
