// The Python module projconv: the engine's memory-to-memory conversion, whole
// batches and the settings file, for scripts and notebooks. Every image comes
// from the engine's own entry points, so what Python gets is what
// projconv-batch writes, bit for bit.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

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
#include "python/byte_view.h"
#include "python/call_arguments.h"
#include "python/image_correction.h"
#include "python/settings_values.h"

namespace py = pybind11;

namespace projconv {

namespace {

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
// int16 array; corrected when a flat is given.
py::array_t<std::int16_t> ConvertBytes(const ConversionParameters& p, const ByteView& data,
                                       const char* dataKeyword, int threads,
                                       const ImageCorrection& correction) {
  CheckSizes(p);
  if (const std::optional<Refusal> refusal = CheckParameters(p, false)) {
    Refuse(*refusal, dataKeyword);
  }
  if (p.headerLen > 0 && data.bytes().size() < std::size_t(p.headerLen)) {
    throw py::value_error(std::string(dataKeyword) + ": holds " +
                          std::to_string(data.bytes().size()) + " bytes, fewer than header_len " +
                          std::to_string(p.headerLen));
  }
  const std::optional<FlatField> field = CombinedField(correction, p, threads);
  py::array_t<std::int16_t> out({py::ssize_t(p.outSizeY), py::ssize_t(p.outSizeX)});
  const std::span<std::int16_t> samples(out.mutable_data(), std::size_t(out.size()));
  std::optional<Refusal> refusal;
  {
    py::gil_scoped_release released;
    refusal = ConvertImage(p, data.bytes(), samples, threads, field ? &*field : nullptr);
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
  const ImageCorrection correction = TakeImageCorrection(call);
  const Argument threads = call.Take("threads");
  const int threadCount = threads ? ThreadsOf(threads) : 0;
  call.Finish();
  return ConvertBytes(p, view, "data", threadCount, correction);
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
  const ImageCorrection correction = TakeImageCorrection(call);
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
  return ConvertBytes(p, view, "array", threadCount, correction);
}

py::dict PyReadSettings(const py::args& args, const py::kwargs& kwargs) {
  CallArguments call("read_settings", args, kwargs, {"path"});
  const std::optional<std::string> path = SettingsPath(call.Take("path"));
  call.Finish();
  return SettingsDict(BaseSettings(path));
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
  StoredLoad settings = BaseSettings(SettingsPath(call.Take("settings")));
  const Argument threadsArgument = call.Take("threads");
  const int threads = threadsArgument ? ThreadsOf(threadsArgument) : 0;
  for (const Argument& argument : call.TakeRest()) Override(settings, argument);

  ProjectionJob job;
  job.SetParameters(settings.settings);
  job.correction = settings.correction;
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
      R"(convert_image(data, *, in_size, out_size, crop, centre, angle=0.0, sample_type='int16', byte_order='little', signed=True, header_len=0, scale=1.0, flat=None, dark=None, combine='mean', correct='transmission', correct_scale=None, threads=0)
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
flat, dark: the open-beam and dark images to correct with: the bytes of one
    raw file of the input's layout (header included, as data), a sequence of
    them, or a numpy array of frames without a header, (height, width) or
    (n, height, width), of the input's sample type (int16, uint16 or
    float32) in either byte order; a sequence may hold such arrays too.
    Each kind is combined sample by sample; dark needs flat.
combine: "mean" or "median", how the flats and the darks are combined.
correct: "transmission" or "attenuation" (its minus logarithm).
correct_scale: the factor of the corrected samples, a double; None for
    10000 (transmission) or 1000 (attenuation).
threads: threads for this image, 0 for one per processor; the result is the
    same for any number.

Returns an int16 array of shape (out_height, out_width): the samples
projconv-batch writes for this file as the first of a batch. An image part
shorter than in_size reads as a batch's first image would (the rest is 0).
With flat, the image is corrected as a batch with those files as flats and
darks corrects it. Parameters the converter refuses raise ValueError with its
message; an argument of the wrong type raises TypeError. Either message names the keyword
and is a line long, whatever the data. The GIL is released while the image is
made, so threads convert in parallel.)");

  m.def(
      "convert_array", &PyConvertArray,
      R"(convert_array(array, *, out_size, crop, centre, angle=0.0, scale=1.0, flat=None, dark=None, combine='mean', correct='transmission', correct_scale=None, threads=0)
--

Converts a 2-D image array of shape (height, width).

The sample type, byte order and signedness come from the dtype: int16,
uint16 (halved into 0..32767) or float32 (times `scale`), in either byte
order; a non-contiguous array is copied first. The other keywords are those
of convert_image; flats and darks given as bytes have no header here. Returns the same int16 array convert_image returns for the
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
    "little"/"big" and "signed"/"unsigned". The flat-field correction goes
    by the keys of the [Correction] section: flat_pattern, flat_first,
    flat_count, dark_pattern, dark_first, dark_count, combine ("mean" or
    "median"), correct ("transmission" or "attenuation", the key Mode) and
    correct_scale (a number, or None for the mode's default, the key Scale);
    patterns are relative to in_folder unless absolute, and an empty
    flat_pattern corrects nothing. threads=N sets the threads per image
    (0 for one per processor).

A batch refused before anything is converted (parameters the converter
refuses, buffers the machine cannot hold, outputs that would replace inputs
read later, flats or darks missing or short) raises ValueError with the
converter's message; an override of the wrong type raises TypeError naming
it.

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

Reads a settings file into a dict of the 21 parameters and the correction.

)" + ReadSettingsDoc();
  m.def("read_settings", &PyReadSettings, readSettingsDoc.c_str());
}
