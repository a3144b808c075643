// The Python module projconv: the engine's memory-to-memory conversion, whole
// batches and the settings file, for scripts and notebooks. Every image comes
// from the engine's own entry points, so what Python gets is what
// projconv-batch writes, bit for bit.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <sys/stat.h>

#include <algorithm>
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
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "engine/batch_reporter.h"
#include "engine/conversion_parameters.h"
#include "engine/parameter_table.h"
#include "engine/projection_job.h"
#include "engine/refusal.h"
#include "engine/single_image.h"
#include "python/argument_values.h"
#include "python/call_arguments.h"
#include "settings/desktop_file.h"
#include "settings/stored_settings.h"

namespace py = pybind11;

namespace projconv {

namespace {

// The bytes of any object that exports a buffer. A C-contiguous buffer is
// used where it lies; anything else is copied once into a bytes object that
// the view holds for as long as it is needed.
class ByteView {
 public:
  explicit ByteView(const Argument& data) {
    const char* expected = "bytes or another object with the buffer protocol";
    if (!data) WrongType(data, expected);
    if (PyObject_GetBuffer(data.value.ptr(), &view_, PyBUF_SIMPLE) == 0) {
      held_ = true;
      return;
    }
    PyErr_Clear();
    // Strided views and the like: memoryview knows how to lay them out.
    try {
      copy_ = py::module_::import("builtins").attr("memoryview")(data.value).attr("tobytes")();
    } catch (const py::error_already_set& e) {
      if (e.matches(PyExc_TypeError)) WrongType(data, expected);
      throw;
    }
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

// A keyword holding a tuple of the parameters one option of projconv-batch
// sets, named as that option is: in_size for --in-size.
void TakeTuple(CallArguments& call, ConversionParameters& p, const std::string& option) {
  for (std::size_t i = 0; i < kParameterOptions.size(); ++i) {
    if (option != kParameterOptions[i].name) continue;
    std::string keyword = option;
    std::replace(keyword.begin(), keyword.end(), '-', '_');
    std::vector<const char*> fields;
    const std::vector<const ParameterDescriptor*> rows = ParametersOfOption(int(i));
    for (const ParameterDescriptor* row : rows) fields.push_back(row->part);
    std::vector<std::int32_t> values(rows.size());
    FillInt32Tuple(call.Take(keyword.c_str()), fields, values);
    for (std::size_t k = 0; k < rows.size(); ++k) {
      p.*std::get<std::int32_t ConversionParameters::*>(rows[k]->member) = values[k];
    }
  }
}

// The geometry every image conversion takes as keywords.
void TakeGeometry(CallArguments& call, ConversionParameters& p) {
  for (const char* option : {"out-size", "crop", "centre"}) TakeTuple(call, p, option);
  // The converter holds both as float, as the command line reads them.
  if (const Argument angle = call.Take("angle")) p.angle = static_cast<float>(FloatOf(angle));
  if (const Argument scale = call.Take("scale")) p.scale = static_cast<float>(FloatOf(scale));
}

// The engine's words for sizes it cannot take (engine/parameter_checks.cpp).
constexpr const char* kNegativeSize = "Image sizes and the file header length must not be negative";

std::string NoSamples(const char* which, std::int32_t x, std::int32_t y) {
  return std::string(which) + " size " + std::to_string(x) + " x " + std::to_string(y) +
         " has no samples: width and height must be at least 1";
}

// The engine looks at the crop window first, and so calls an input without
// samples a misplaced window. The sizes are looked at here first, in its
// order and its words, after the keyword that holds the wrong one.
void CheckSizes(const ConversionParameters& p) {
  const auto refuse = [](const char* keyword, const std::string& words) {
    throw py::value_error(std::string(keyword) + ": " + words);
  };
  if (p.inSizeX < 0 || p.inSizeY < 0) refuse("in_size", kNegativeSize);
  if (p.outSizeX < 0 || p.outSizeY < 0) refuse("out_size", kNegativeSize);
  if (p.headerLen < 0) refuse("header_len", kNegativeSize);
  if (p.inSizeX == 0 || p.inSizeY == 0) refuse("in_size", NoSamples("Input", p.inSizeX, p.inSizeY));
  if (p.outSizeX == 0 || p.outSizeY == 0) {
    refuse("out_size", NoSamples("Output", p.outSizeX, p.outSizeY));
  }
}

// The converter's refusal, after the keyword that holds what it refused
// when one does.
[[noreturn]] void Refuse(const Refusal& refusal, const char* dataKeyword) {
  const char* keyword = nullptr;
  switch (refusal.kind) {
    case RefusalKind::CropWindow:
      keyword = "crop";
      break;
    case RefusalKind::Angle:
      keyword = "angle";
      break;
    case RefusalKind::Scale:
      keyword = "scale";
      break;
    case RefusalKind::NoInput:
    case RefusalKind::ShortInput:
      keyword = dataKeyword;
      break;
    default:
      break;
  }
  if (keyword == nullptr) throw py::value_error(refusal.message);
  throw py::value_error(std::string(keyword) + ": " + refusal.message);
}

// One image, converted with the GIL released, into a fresh (height, width)
// int16 array.
py::array_t<std::int16_t> ConvertBytes(const ConversionParameters& p, const ByteView& data,
                                       const char* dataKeyword, int threads) {
  CheckSizes(p);
  if (const std::optional<Refusal> refusal = CheckParameters(p, false)) {
    Refuse(*refusal, dataKeyword);
  }
  if (p.headerLen > 0 && data.bytes().size() < std::size_t(p.headerLen)) {
    throw py::value_error(std::string(dataKeyword) + ": holds " +
                          std::to_string(data.bytes().size()) + " bytes, fewer than header_len " +
                          std::to_string(p.headerLen));
  }
  py::array_t<std::int16_t> out({py::ssize_t(p.outSizeY), py::ssize_t(p.outSizeX)});
  const std::span<std::int16_t> samples(out.mutable_data(), std::size_t(out.size()));
  std::optional<Refusal> refusal;
  {
    py::gil_scoped_release released;
    refusal = ConvertImage(p, data.bytes(), samples, threads);
  }
  if (refusal) Refuse(*refusal, dataKeyword);
  return out;
}

py::array_t<std::int16_t> PyConvertImage(const py::args& args, const py::kwargs& kwargs) {
  CallArguments call("convert_image", args, kwargs, {"data"});
  const ByteView view(call.Take("data"));
  ConversionParameters p;
  TakeTuple(call, p, "in-size");
  TakeGeometry(call, p);
  if (const Argument type = call.Take("sample_type")) {
    p.sampleType = ChoiceOf<SampleType>(type, "int16", "float32", false);
  }
  if (const Argument order = call.Take("byte_order")) {
    p.byteOrder = ChoiceOf<ByteOrder>(order, "little", "big", false);
  }
  if (const Argument isSigned = call.Take("signed")) {
    p.signedness = BoolOf(isSigned) ? Signedness::Signed : Signedness::Unsigned;
  }
  if (const Argument header = call.Take("header_len")) p.headerLen = Int32Of(header);
  const Argument threads = call.Take("threads");
  const int threadCount = threads ? ThreadsOf(threads) : 0;
  call.Finish();
  return ConvertBytes(p, view, "data", threadCount);
}

// The array the caller gave, as numpy takes it (a list of rows, too).
py::array ArrayOf(const Argument& argument) {
  const char* expected = "a 2-D array of int16, uint16 or float32";
  if (!argument) WrongType(argument, expected);
  py::array array = py::array::ensure(argument.value);
  if (!array) WrongType(argument, expected);
  if (array.ndim() != 2) {
    throw py::value_error("array: expected 2 dimensions (height, width), got " +
                          std::to_string(array.ndim()));
  }
  if (array.shape(0) > INT32_MAX || array.shape(1) > INT32_MAX) {
    throw py::value_error("array: expected at most " + std::to_string(INT32_MAX) +
                          " samples a side, got a shape of (" + std::to_string(array.shape(0)) +
                          ", " + std::to_string(array.shape(1)) + ")");
  }
  if (array.size() == 0) {
    throw py::value_error(
        "array: " + NoSamples("Input", std::int32_t(array.shape(1)), std::int32_t(array.shape(0))) +
        " (an empty array of shape (" + std::to_string(array.shape(0)) + ", " +
        std::to_string(array.shape(1)) + "))");
  }
  return array;
}

py::array_t<std::int16_t> PyConvertArray(const py::args& args, const py::kwargs& kwargs) {
  CallArguments call("convert_array", args, kwargs, {"array"});
  const py::array array = ArrayOf(call.Take("array"));
  ConversionParameters p;
  p.inSizeX = std::int32_t(array.shape(1));
  p.inSizeY = std::int32_t(array.shape(0));
  TakeGeometry(call, p);
  const Argument threads = call.Take("threads");
  const int threadCount = threads ? ThreadsOf(threads) : 0;
  call.Finish();

  const py::dtype dtype = array.dtype();
  const char kind = dtype.kind();
  const py::ssize_t size = dtype.itemsize();
  // '=' is the machine's order; '|' never occurs for these sizes.
  const char order = py::str(dtype.attr("byteorder")).cast<std::string>()[0];
  const bool big = order == '>' || (order == '=' && std::endian::native == std::endian::big);
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
    throw py::value_error("array: expected the dtype int16, uint16 or float32, got " +
                          Shortened(py::str(py::handle(dtype)).cast<std::string>()));
  }
  const ByteView view(Argument{"array", contiguous});
  return ConvertBytes(p, view, "array", threadCount);
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

void Override(ConversionParameters& p, const Argument& argument) {
  for (const ParameterDescriptor& parameter : kParameterTable) {
    if (argument.name != parameter.name) continue;
    std::visit(
        [&](auto member) {
          using T = std::remove_cvref_t<decltype(p.*member)>;
          if constexpr (std::is_same_v<T, std::string>) {
            p.*member = TextOf(argument);  // folders may be given as paths
          } else if constexpr (std::is_same_v<T, float>) {
            p.*member = static_cast<float>(FloatOf(argument));
          } else if constexpr (std::is_enum_v<T>) {
            const auto& [zero, one] = parameter.choices;
            p.*member = ChoiceOf<T>(argument, zero.name, one.name, true);
          } else {
            p.*member = Int32Of(argument);
          }
        },
        parameter.member);
    return;
  }
  throw py::type_error("run_batch() got an unexpected keyword argument '" +
                       Shortened(argument.name) + "'");
}

// The keys read_settings gives, for its docstring, wrapped as the rest of it.
std::string ReadSettingsDoc() {
  std::string text =
      "path: the file, or None for the desktop program's settings (the built-in defaults when it "
      "has none). Keys are ";
  for (std::size_t i = 0; i < kParameterTable.size(); ++i) {
    const ParameterDescriptor& row = kParameterTable[i];
    text += row.name;
    if (row.choices[0].name != nullptr) {
      text += std::string(" (0 ") + row.choices[0].name + ", 1 " + row.choices[1].name + ")";
    }
    text += i + 2 < kParameterTable.size() ? ", " : i + 1 < kParameterTable.size() ? " and " : "";
  }
  text +=
      "; the dict can be passed back to run_batch as overrides. A file with problems raises "
      "ValueError naming the keys.";
  constexpr std::size_t kWidth = 77;
  std::string wrapped;
  std::string line;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (!line.empty() && line.size() + 1 + word.size() > kWidth) {
      wrapped += line + "\n";
      line = "   ";
    }
    line += (line.empty() ? "" : " ") + word;
    start = end + 1;
  }
  return wrapped + line;
}

// A settings file's name, or nothing for None.
std::optional<std::string> SettingsPath(const Argument& path) {
  if (!path || path.value.is_none()) return std::nullopt;
  return TextOf(path);
}

// As projconv-batch starts: a named file, or the desktop program's file when
// there is one, or the built-in defaults. A file with problems is refused.
ConversionParameters BaseParameters(const std::optional<std::string>& path) {
  const std::string file = path.value_or(DesktopSettingsFile());
  struct stat info {};
  if (!path && ::stat(file.c_str(), &info) != 0) return FirstRunParameters();
  const StoredLoad load = LoadNamedSettings(file);
  if (!load.problems.empty()) {
    std::string message;
    for (const std::string& problem : load.problems) {
      if (!message.empty()) message += "\n";
      message += "settings file " + file + ": " + problem;
    }
    throw py::value_error(message);
  }
  return load.settings;
}

py::dict PyReadSettings(const py::args& args, const py::kwargs& kwargs) {
  CallArguments call("read_settings", args, kwargs, {"path"});
  const std::optional<std::string> path = SettingsPath(call.Take("path"));
  call.Finish();
  return ParametersDict(BaseParameters(path));
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

py::dict PyRunBatch(const py::args& args, const py::kwargs& kwargs) {
  CallArguments call("run_batch", args, kwargs, {"settings"});
  ConversionParameters p = BaseParameters(SettingsPath(call.Take("settings")));
  const Argument threadsArgument = call.Take("threads");
  const int threads = threadsArgument ? ThreadsOf(threadsArgument) : 0;
  for (const Argument& argument : call.TakeRest()) Override(p, argument);

  ProjectionJob job;
  job.SetParameters(p);
  job.batch.workerThreads = threads;
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
  // Refused before anything was converted: the call was wrong, as when an
  // image's parameters are refused. Every other end is the batch's outcome.
  if (result.end == BatchEnd::Refused) {
    std::string message;
    for (const auto& [caption, text] : reporter.messages()) {
      message += (message.empty() ? "" : "\n") + text;
    }
    throw py::value_error(message);
  }
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
  // Each function binds its own arguments (python/call_arguments.h), so its
  // signature is written at the head of its docstring, where help() and
  // inspect.signature() read it.
  py::options options;
  options.disable_function_signatures();
  m.doc() =
      "Raw projection images converted as projconv-batch converts them: one image held in "
      "memory (convert_image, convert_array), a whole numbered sequence (run_batch), and the "
      "settings file (read_settings). Every image is bit for bit what projconv-batch writes.";
  m.attr("__version__") = PROJCONV_VERSION;

  m.def(
      "convert_image", &PyConvertImage,
      R"(convert_image(data, *, in_size, out_size, crop, centre, angle=0.0, sample_type='int16', byte_order='little', signed=True, header_len=0, scale=1.0, threads=0)
--

Converts the bytes of one raw input file, header included.

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
Parameters the converter refuses raise ValueError with its message; an
argument of the wrong type raises TypeError. Either message names the keyword
and is a line long, whatever the data. The GIL is released while the image is
made, so threads convert in parallel.)");

  m.def("convert_array", &PyConvertArray,
        R"(convert_array(array, *, out_size, crop, centre, angle=0.0, scale=1.0, threads=0)
--

Converts a 2-D image array of shape (height, width).

The sample type, byte order and signedness come from the dtype: int16,
uint16 (halved into 0..32767) or float32 (times `scale`), in either byte
order; a non-contiguous array is copied first. The other keywords are those
of convert_image. Returns the same int16 array convert_image returns for the
array's bytes.)");

  m.def("run_batch", &PyRunBatch,
        R"(run_batch(settings=None, **overrides)
--

Converts a whole numbered sequence into raw output files, as projconv-batch does.

settings: a settings file (str or path), or None for the desktop program's
    settings (the built-in defaults when it has none). A file with problems
    raises ValueError.
**overrides: single parameters by the names read_settings gives them, such
    as in_folder=..., out_folder=..., angle=3.5, in_size_x=2048;
    sample_type, byte_order and signedness also take "int16"/"float32",
    "little"/"big" and "signed"/"unsigned". threads=N sets the threads per
    image (0 for one per processor).

A batch refused before anything is converted (parameters the converter
refuses, buffers the machine cannot hold, outputs that would replace inputs
read later) raises ValueError with the converter's message; an override of
the wrong type raises TypeError naming it.

Returns a dict once converting has begun: "end" (how the batch ended:
"input_missing" is the normal end; "stopped", "input_not_opened",
"input_not_read", "input_short", "output_not_written"), "files_written",
"files_kept", "samples_wrapped", "file_name" (the file it ended at) and
"messages" (a list of (caption, text)).
Ctrl-C stops the batch after the image in progress; the KeyboardInterrupt is
raised once it has ended, with the files written so far kept.)");

  // pybind11 keeps its own copy of a docstring.
  const std::string readSettingsDoc = R"(read_settings(path=None)
--

Reads a settings file into a dict of the 21 parameters.

)" + ReadSettingsDoc();
  m.def("read_settings", &PyReadSettings, readSettingsDoc.c_str());
}
