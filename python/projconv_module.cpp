// The Python module projconv: the engine's memory-to-memory conversion, whole
// batches and the settings file, for scripts and notebooks. Every image comes
// from the engine's own entry points, so what Python gets is what
// projconv-batch writes, bit for bit.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <QFileInfo>
#include <bit>
#include <chrono>
#include <climits>
#include <cstdint>
#include <future>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "engine/batch_reporter.h"
#include "engine/conversion_parameters.h"
#include "engine/named_parameters.h"
#include "engine/projection_job.h"
#include "engine/refusal.h"
#include "engine/single_image.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

namespace py = pybind11;

namespace projconv {

namespace {

// As projconv-batch --threads allows: more cannot help one image.
constexpr int kMaxThreads = 64;

int CheckedThreads(int threads) {
  if (threads < 0 || threads > kMaxThreads) {
    throw py::value_error("threads must be from 0 (one per processor) to " +
                          std::to_string(kMaxThreads) + ", not " + std::to_string(threads));
  }
  return threads;
}

// The bytes of any object that exports a buffer. A C-contiguous buffer is
// used where it lies; anything else is copied once into a bytes object that
// `keep` holds for as long as the view is needed.
class ByteView {
 public:
  explicit ByteView(py::handle object) {
    if (PyObject_GetBuffer(object.ptr(), &view_, PyBUF_SIMPLE) == 0) {
      held_ = true;
      return;
    }
    PyErr_Clear();
    // Strided views and the like: memoryview knows how to lay them out.
    copy_ = py::module_::import("builtins").attr("memoryview")(object).attr("tobytes")();
    if (PyObject_GetBuffer(copy_.ptr(), &view_, PyBUF_SIMPLE) != 0) throw py::error_already_set();
    held_ = true;
  }
  ByteView(const ByteView&) = delete;
  ByteView& operator=(const ByteView&) = delete;
  ~ByteView() {
    if (held_) PyBuffer_Release(&view_);
  }
  std::span<const unsigned char> bytes() const {
    return {static_cast<const unsigned char*>(view_.buf), std::size_t(view_.len)};
  }

 private:
  Py_buffer view_{};
  bool held_ = false;
  py::object copy_;
};

template <typename Choice>
Choice Named(const std::string& value, const char* what, const char* zero, const char* one) {
  if (value == zero) return Choice(0);
  if (value == one) return Choice(1);
  throw py::value_error(std::string(what) + " must be \"" + zero + "\" or \"" + one + "\", not \"" +
                        value + "\"");
}

using Pair = std::pair<std::int32_t, std::int32_t>;
using Window = std::tuple<std::int32_t, std::int32_t, std::int32_t, std::int32_t>;

// The geometry every image conversion takes as keywords.
struct Geometry {
  Pair outSize;
  Window crop;
  Pair centre;
  double angle = 0.0;
  double scale = 1.0;
};

ConversionParameters ImageParameters(Pair inSize, const Geometry& g) {
  ConversionParameters p;
  std::tie(p.inSizeX, p.inSizeY) = inSize;
  std::tie(p.outSizeX, p.outSizeY) = g.outSize;
  std::tie(p.cropLeft, p.cropTop, p.cropRight, p.cropBottom) = g.crop;
  std::tie(p.rotCentreX, p.rotCentreY) = g.centre;
  // The converter holds both as float, as the command line reads them.
  p.angle = static_cast<float>(g.angle);
  p.scale = static_cast<float>(g.scale);
  return p;
}

// One image, converted with the GIL released, into a fresh (height, width)
// int16 array.
py::array_t<std::int16_t> ConvertBytes(const ConversionParameters& p, const ByteView& data,
                                       int threads) {
  CheckedThreads(threads);
  if (const std::optional<Refusal> refusal = CheckParameters(p, false)) {
    throw py::value_error(refusal->message);
  }
  if (p.headerLen > 0 && data.bytes().size() < std::size_t(p.headerLen)) {
    throw py::value_error("The data holds " + std::to_string(data.bytes().size()) +
                          " bytes, fewer than the header's " + std::to_string(p.headerLen));
  }
  py::array_t<std::int16_t> out({py::ssize_t(p.outSizeY), py::ssize_t(p.outSizeX)});
  const std::span<std::int16_t> samples(out.mutable_data(), std::size_t(out.size()));
  std::optional<Refusal> refusal;
  {
    py::gil_scoped_release released;
    refusal = ConvertImage(p, data.bytes(), samples, threads);
  }
  if (refusal) throw py::value_error(refusal->message);
  return out;
}

py::array_t<std::int16_t> PyConvertImage(py::object data, Pair inSize, Pair outSize, Window crop,
                                         Pair centre, double angle, const std::string& sampleType,
                                         const std::string& byteOrder, bool isSigned,
                                         std::int32_t headerLen, double scale, int threads) {
  ConversionParameters p = ImageParameters(inSize, {outSize, crop, centre, angle, scale});
  p.sampleType = Named<SampleType>(sampleType, "sample_type", "int16", "float32");
  p.byteOrder = Named<ByteOrder>(byteOrder, "byte_order", "little", "big");
  p.signedness = isSigned ? Signedness::Signed : Signedness::Unsigned;
  p.headerLen = headerLen;
  const ByteView view(data);
  return ConvertBytes(p, view, threads);
}

py::array_t<std::int16_t> PyConvertArray(py::array array, Pair outSize, Window crop, Pair centre,
                                         double angle, double scale, int threads) {
  if (array.ndim() != 2) {
    throw py::value_error("the array must have 2 dimensions (height, width), not " +
                          std::to_string(array.ndim()));
  }
  const py::dtype dtype = array.dtype();
  const char kind = dtype.kind();
  const py::ssize_t size = dtype.itemsize();
  // '=' is the machine's order; '|' never occurs for these sizes.
  const char order = py::str(dtype.attr("byteorder")).cast<std::string>()[0];
  const bool big = order == '>' || (order == '=' && std::endian::native == std::endian::big);
  if (array.shape(0) > INT32_MAX || array.shape(1) > INT32_MAX) {
    throw py::value_error("the array is too large for a 32-bit image size");
  }
  ConversionParameters p =
      ImageParameters({std::int32_t(array.shape(1)), std::int32_t(array.shape(0))},
                      {outSize, crop, centre, angle, scale});
  py::object contiguous;
  if ((kind == 'i' || kind == 'u') && size == 2) {
    p.sampleType = SampleType::Integer16;
    p.byteOrder = big ? ByteOrder::BigEndian : ByteOrder::LittleEndian;
    p.signedness = kind == 'i' ? Signedness::Signed : Signedness::Unsigned;
    contiguous = py::module_::import("numpy").attr("ascontiguousarray")(array);
  } else if (kind == 'f' && size == 4) {
    // Float samples are read little-endian only: a big-endian array is
    // turned around, which changes no value.
    p.sampleType = SampleType::Float32;
    contiguous = py::module_::import("numpy").attr("ascontiguousarray")(array, "<f4");
  } else {
    throw py::value_error("the array's dtype must be int16, uint16 or float32, not " +
                          py::str(py::handle(dtype)).cast<std::string>());
  }
  const ByteView view(contiguous);
  return ConvertBytes(p, view, threads);
}

py::dict ParametersDict(const ConversionParameters& p) {
  py::dict out;
  ForEachNamedValue(p, [&out](const char* name, const auto& value) {
    using T = std::remove_cvref_t<decltype(value)>;
    if constexpr (std::is_same_v<T, float>) {
      out[name] = static_cast<double>(value);  // exactly
    } else {
      out[name] = value;
    }
  });
  return out;
}

// A choice by its stored number or by the name the command line gives it.
template <typename Choice>
Choice ChoiceValue(py::handle value, const char* zero, const char* one) {
  if (py::isinstance<py::str>(value)) {
    return Named<Choice>(value.cast<std::string>(), "the choice", zero, one);
  }
  return Choice(value.cast<std::int32_t>());
}

void Override(ConversionParameters& p, const std::string& name, py::handle value) {
  for (const NamedParameter& parameter : kNamedParameters) {
    if (name != parameter.name) continue;
    std::visit(
        [&](auto member) {
          using T = std::remove_cvref_t<decltype(p.*member)>;
          if constexpr (std::is_same_v<T, std::string>) {
            // Folders may be given as pathlib paths.
            p.*member =
                py::str(py::module_::import("os").attr("fspath")(value)).cast<std::string>();
          } else if constexpr (std::is_same_v<T, float>) {
            p.*member = static_cast<float>(value.cast<double>());
          } else if constexpr (std::is_same_v<T, SampleType>) {
            p.*member = ChoiceValue<SampleType>(value, "int16", "float32");
          } else if constexpr (std::is_same_v<T, ByteOrder>) {
            p.*member = ChoiceValue<ByteOrder>(value, "little", "big");
          } else if constexpr (std::is_same_v<T, Signedness>) {
            p.*member = ChoiceValue<Signedness>(value, "signed", "unsigned");
          } else {
            p.*member = value.cast<std::int32_t>();
          }
        },
        parameter.member);
    return;
  }
  throw py::type_error("run_batch() got an unexpected keyword argument '" + name + "'");
}

// As projconv-batch starts: a named file, or the desktop program's file when
// there is one, or the built-in defaults. A file with problems is refused.
ConversionParameters BaseParameters(const std::optional<std::string>& path) {
  QString file;
  if (path) {
    file = QString::fromStdString(*path);
  } else {
    file = DesktopSettingsPath();
    if (!QFileInfo::exists(file)) return FirstRunSettings();
  }
  const SettingsLoad load = LoadSettingsFile(file);
  if (!load.problems.isEmpty()) {
    std::string message;
    for (const QString& problem : load.problems) {
      if (!message.empty()) message += "\n";
      message += "settings file " + file.toStdString() + ": " + problem.toStdString();
    }
    throw py::value_error(message);
  }
  return load.settings;
}

std::optional<std::string> PathText(const py::object& path) {
  if (path.is_none()) return std::nullopt;
  return py::str(py::module_::import("os").attr("fspath")(path)).cast<std::string>();
}

py::dict PyReadSettings(py::object path) {
  return ParametersDict(BaseParameters(PathText(path)));
}

// Keeps the batch's messages for the caller; the batch calls it on its own
// thread.
class CollectingReporter : public BatchReporter {
 public:
  void ShowMessage(const std::string& text, const std::string& caption) override {
    const std::lock_guard lock(mutex_);
    messages_.emplace_back(caption, text);
  }
  void PostProgress(std::int32_t) override {}
  std::vector<std::pair<std::string, std::string>> messages() const {
    const std::lock_guard lock(mutex_);
    return messages_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::pair<std::string, std::string>> messages_;
};

// How often a running batch looks for Ctrl-C.
constexpr auto kSignalPoll = std::chrono::milliseconds(50);

py::dict PyRunBatch(py::object settings, py::kwargs overrides) {
  ConversionParameters p = BaseParameters(PathText(settings));
  int threads = 0;
  for (const auto& [key, value] : overrides) {
    const std::string name = py::str(key).cast<std::string>();
    if (name == "threads") {
      threads = CheckedThreads(value.cast<int>());
    } else {
      Override(p, name, value);
    }
  }

  ProjectionJob job;
  job.SetParameters(p);
  job.workerThreads = threads;
  CollectingReporter reporter;
  job.dialog = &reporter;
  job.ClearStop();

  // The batch runs on a thread of its own, without the GIL, so that this
  // thread can take the GIL now and then to let Python's signal handlers
  // run: Ctrl-C then stops the batch after the image in progress, and the
  // KeyboardInterrupt is raised once it has ended.
  BatchResult result;
  std::optional<py::error_already_set> pending;  // what a signal handler raised, if anything
  {
    py::gil_scoped_release released;
    std::packaged_task<BatchResult()> task([&job] { return job.RunBatchWithResult(); });
    std::future<BatchResult> done = task.get_future();
    std::thread worker(std::move(task));
    while (done.wait_for(kSignalPoll) != std::future_status::ready) {
      const py::gil_scoped_acquire acquired;
      if (!pending && PyErr_CheckSignals() != 0) {
        pending.emplace();  // takes the raised exception over
        job.RequestStop();
      }
    }
    worker.join();
    result = done.get();
  }
  if (pending) throw std::move(*pending);
  py::dict out;
  out["end"] = BatchEndName(result.end);
  out["files_written"] = result.filesWritten;
  out["files_kept"] = result.filesKept;
  out["samples_wrapped"] = result.samplesWrapped;
  out["file_name"] = result.fileName;
  out["messages"] = reporter.messages();
  return out;
}

}  // namespace

}  // namespace projconv

PYBIND11_MODULE(projconv, m) {
  using namespace projconv;
  using namespace pybind11::literals;
  m.doc() =
      "Raw projection images converted as projconv-batch converts them: one image held in "
      "memory (convert_image, convert_array), a whole numbered sequence (run_batch), and the "
      "settings file (read_settings). Every image is bit for bit what projconv-batch writes.";
  m.attr("__version__") = PROJCONV_VERSION;

  m.def("convert_image", &PyConvertImage, "data"_a, py::kw_only(), "in_size"_a, "out_size"_a,
        "crop"_a, "centre"_a, "angle"_a = 0.0, "sample_type"_a = "int16", "byte_order"_a = "little",
        "signed"_a = true, "header_len"_a = 0, "scale"_a = 1.0, "threads"_a = 0,
        R"(Converts the bytes of one raw input file, header included.

data: bytes, bytearray, memoryview, mmap, numpy array or any object with the
    buffer protocol; a C-contiguous buffer is read where it lies.
in_size, out_size: (width, height) in samples.
crop: (left, top, right, bottom) in input samples; right and bottom lie just
    outside the window.
centre: (x, y), the centre of rotation in input samples.
angle: degrees, -180 to 180, held as a 32-bit float.
sample_type: "int16" or "float32" (little-endian floats, times `scale`).
byte_order: "little" or "big", for int16 samples.
signed: False for unsigned int16 samples, which are halved into 0..32767.
header_len: bytes before the samples; data shorter than the header is refused.
scale: factor for float32 samples, held as a 32-bit float.
threads: threads for this image, 0 for one per processor; the result is the
    same for any number.

Returns an int16 array of shape (out_height, out_width): the samples
projconv-batch writes for this file as the first of a batch. An image part
shorter than in_size reads as a batch's first image would (the rest is 0).
Parameters the converter refuses raise ValueError with its message. The GIL
is released while the image is made, so threads convert in parallel.)");

  m.def("convert_array", &PyConvertArray, "array"_a, py::kw_only(), "out_size"_a, "crop"_a,
        "centre"_a, "angle"_a = 0.0, "scale"_a = 1.0, "threads"_a = 0,
        R"(Converts a 2-D image array of shape (height, width).

The sample type, byte order and signedness come from the dtype: int16,
uint16 (halved into 0..32767) or float32 (times `scale`), in either byte
order; a non-contiguous array is copied first. The other keywords are those
of convert_image. Returns the same int16 array convert_image returns for the
array's bytes.)");

  m.def("run_batch", &PyRunBatch, "settings"_a = py::none(),
        R"(Converts a whole numbered sequence into raw output files, as projconv-batch does.

settings: a settings file (str or path), or None for the desktop program's
    settings (the built-in defaults when it has none). A file with problems
    raises ValueError.
**overrides: single parameters by the names read_settings gives them, such
    as in_folder=..., out_folder=..., angle=3.5, in_size_x=2048;
    sample_type, byte_order and signedness also take "int16"/"float32",
    "little"/"big" and "signed"/"unsigned". threads=N sets the threads per
    image (0 for one per processor).

Returns a dict: "end" (how the batch ended: "input_missing" is the normal end;
"refused", "stopped", "input_not_opened", "input_not_read",
"output_not_written"), "files_written", "files_kept", "samples_wrapped",
"file_name" (the file it ended at) and "messages" (a list of (caption, text)).
Ctrl-C stops the batch after the image in progress; the KeyboardInterrupt is
raised once it has ended, with the files written so far kept.)");

  m.def("read_settings", &PyReadSettings, "path"_a = py::none(),
        R"(Reads a settings file into a dict of the 21 parameters.

path: the file, or None for the desktop program's settings (the built-in
    defaults when it has none). Keys are in_folder, in_format, out_folder,
    out_format, start_number, header_len, sample_type (0 int16, 1 float32),
    byte_order (0 little, 1 big), signedness (0 signed, 1 unsigned),
    in_size_x, in_size_y, out_size_x, out_size_y, crop_left, crop_top,
    crop_right, crop_bottom, rot_centre_x, rot_centre_y, angle and scale; the
    dict can be passed back to run_batch as overrides. A file with problems
    raises ValueError naming the keys.)");
}
