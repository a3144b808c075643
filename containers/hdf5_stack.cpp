#include "containers/hdf5_stack.h"

#include <fcntl.h>
#include <hdf5.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <string>
#include <type_traits>

#include "containers/correction_record.h"
#include "engine/parameter_table.h"

namespace projconv {

namespace {

static_assert(sizeof(hid_t) == sizeof(std::int64_t));
static_assert(std::endian::native == std::endian::little,
              "images go to the file as they are, as little-endian 16-bit samples");

// HDF5 prints its error stack to standard error unless told otherwise; the
// batch's own message says what failed. The setting is per thread, and the
// file may be written from a thread of its own.
void SilenceHdf5() {
  thread_local bool silenced = false;
  if (!silenced) H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  silenced = true;
}

template <typename Value>
void Attribute(hid_t on, const char* name, hid_t type, const Value& value) {
  const hid_t space = H5Screate(H5S_SCALAR);
  const hid_t attribute = H5Acreate2(on, name, type, space, H5P_DEFAULT, H5P_DEFAULT);
  if (attribute >= 0) {
    H5Awrite(attribute, type, &value);
    H5Aclose(attribute);
  }
  H5Sclose(space);
}

// Variable-length UTF-8, which readers hand over as text rather than bytes.
void TextAttribute(hid_t on, const char* name, const std::string& text) {
  const hid_t type = H5Tcopy(H5T_C_S1);
  H5Tset_size(type, H5T_VARIABLE);
  H5Tset_cset(type, H5T_CSET_UTF8);
  const char* const value = text.c_str();
  Attribute(on, name, type, value);
  H5Tclose(type);
}

// A recorded value as the attribute of its type: text, a float, a double or
// a 32-bit integer.
template <typename T>
void NamedAttribute(hid_t on, const char* name, const T& value) {
  if constexpr (std::is_same_v<T, std::string>) {
    TextAttribute(on, name, value);
  } else if constexpr (std::is_same_v<T, float>) {
    Attribute(on, name, H5T_NATIVE_FLOAT, value);
  } else if constexpr (std::is_same_v<T, double>) {
    Attribute(on, name, H5T_NATIVE_DOUBLE, value);
  } else {
    Attribute(on, name, H5T_NATIVE_INT32, value);
  }
}

void ParameterAttributes(hid_t on, const ConversionParameters& p, const std::string& version,
                         std::int64_t firstOutputNumber) {
  TextAttribute(on, "program_version", version);
  // As the sidecar names it: the output number of the dataset's first image.
  Attribute(on, "first_output_number", H5T_NATIVE_INT64, firstOutputNumber);
  ForEachNamedValue(p,
                    [on](const char* name, const auto& value) { NamedAttribute(on, name, value); });
}

void CorrectionAttributes(hid_t on, const CorrectionParameters& c) {
  ForEachCorrectionValue(
      c, [on](const char* name, const auto& value) { NamedAttribute(on, name, value); });
}

// Room in the file for one more image, and some for the metadata that grows
// with it, obtained from the file system before HDF5 is asked to write: a
// write that fails inside HDF5 leaves its caches in a state it can neither
// flush nor close, so a full disk or the file size limit must be met here,
// while the file still holds exactly the images stored so far.
// The room is taken from where HDF5 will put the next image, its end of
// allocated space; HDF5 cuts the file back to that end when it closes it.
int ReserveRoom(hid_t file, const std::string& path, std::uint64_t bytes) {
  constexpr std::uint64_t kMetadataRoom = std::uint64_t(16) << 10;
  haddr_t end = 0;
  if (H5Fget_eoa(file, &end) < 0) return 0;  // nothing to go by: HDF5 finds out itself
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int error = ::posix_fallocate(fd, off_t(end), off_t(bytes + kMetadataRoom));
  ::close(fd);
  return error;
}

}  // namespace

Hdf5Stack::Hdf5Stack(std::string path, ConversionParameters parameters, std::string version,
                     std::int64_t firstOutputNumber, CorrectionParameters correction)
    : path_(std::move(path)),
      replaced_(path_),
      parameters_(std::move(parameters)),
      version_(std::move(version)),
      firstOutputNumber_(firstOutputNumber),
      correction_(std::move(correction)) {}

Hdf5Stack::~Hdf5Stack() {
  SinkFailure ignored;
  Finish(ignored);
}

bool Hdf5Stack::Finish(SinkFailure& failure) {
  Close();
  return replaced_.Settle(images_ > 0, failure);
}

void Hdf5Stack::Close() {
  SilenceHdf5();  // the file may close on another thread than it was written on
  if (dataset_ >= 0) H5Dclose(dataset_);
  if (file_ >= 0) H5Fclose(file_);
  dataset_ = file_ = -1;
}

bool Hdf5Stack::Create(std::int32_t width, std::int32_t height) {
  SilenceHdf5();
  // The batch holds its own lock on the file, which HDF5's would meet.
  const hid_t access = H5Pcreate(H5P_FILE_ACCESS);
  H5Pset_file_locking(access, false, true);
  file_ = H5Fcreate(replaced_.partial().c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, access);
  H5Pclose(access);
  if (file_ < 0) return false;
  // The group, the dataset and its attributes take a few kilobytes.
  if (const int error = ReserveRoom(file_, replaced_.partial(), std::uint64_t(48) << 10)) {
    errno = error;
    return false;
  }
  const hid_t group = H5Gcreate2(file_, "/exchange", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
  if (group < 0) return false;
  const std::array<hsize_t, 3> empty{0, hsize_t(height), hsize_t(width)};
  const std::array<hsize_t, 3> most{H5S_UNLIMITED, hsize_t(height), hsize_t(width)};
  // Chunk sides must be at least 1, even for an image without samples.
  const std::array<hsize_t, 3> chunk{1, hsize_t(std::max(height, 1)), hsize_t(std::max(width, 1))};
  const hid_t space = H5Screate_simple(3, empty.data(), most.data());
  const hid_t properties = H5Pcreate(H5P_DATASET_CREATE);
  H5Pset_chunk(properties, 3, chunk.data());
  dataset_ = H5Dcreate2(group, "data", H5T_STD_I16LE, space, H5P_DEFAULT, properties, H5P_DEFAULT);
  H5Pclose(properties);
  H5Sclose(space);
  H5Gclose(group);
  if (dataset_ < 0) return false;
  ParameterAttributes(dataset_, parameters_, version_, firstOutputNumber_);
  if (correction_.Enabled()) CorrectionAttributes(dataset_, correction_);
  return H5Fflush(file_, H5F_SCOPE_GLOBAL) >= 0;
}

bool Hdf5Stack::Put(std::int64_t number, const std::string&, std::int32_t width,
                    std::int32_t height, std::span<const std::int16_t> samples,
                    SinkFailure& failure) {
  if (!replaced_.claimed() && !replaced_.Claim(failure)) return false;
  errno = 0;
  if (file_ < 0 && !Create(width, height)) {
    failure = SinkFailure{path_, errno, errno == 0 ? "HDF5 could not create it" : "", number};
    Close();
    return false;
  }
  if (const int error = ReserveRoom(file_, replaced_.partial(), samples.size_bytes())) {
    failure = SinkFailure{path_, error, {}, number};
    return false;
  }
  if (!Store(width, height, samples)) {
    failure = SinkFailure{path_, errno, errno == 0 ? "HDF5 could not write the image" : "", number};
    return false;
  }
  ++images_;
  return true;
}

bool Hdf5Stack::Store(std::int32_t width, std::int32_t height,
                      std::span<const std::int16_t> samples) {
  const std::array<hsize_t, 3> grown{images_ + 1, hsize_t(height), hsize_t(width)};
  const std::array<hsize_t, 3> at{images_, 0, 0};
  if (H5Dset_extent(dataset_, grown.data()) < 0) return false;
  // The image is one whole chunk, unfiltered and in the file's byte order
  // already, so it goes to the file as it is. A selection would take it
  // through the chunk cache, which fills a chunk-sized buffer and copies
  // the image into it before writing.
  const std::size_t bytes = sizeof(std::int16_t) * std::size_t(width) * std::size_t(height);
  if ((width == 0 || height == 0 ||
       H5Dwrite_chunk(dataset_, H5P_DEFAULT, 0, at.data(), bytes, samples.data()) >= 0) &&
      H5Fflush(file_, H5F_SCOPE_GLOBAL) >= 0) {
    return true;
  }
  // The dataset ends with the images stored, not with one that reads as
  // zeros; the failure's own errno is what the batch tells.
  const int error = errno;
  const std::array<hsize_t, 3> stored{images_, hsize_t(height), hsize_t(width)};
  if (H5Dset_extent(dataset_, stored.data()) >= 0) H5Fflush(file_, H5F_SCOPE_GLOBAL);
  errno = error;
  return false;
}

}  // namespace projconv
