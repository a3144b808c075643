#include "tests/fuzz/fuzz_run.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/batch_reporter.h"
#include "engine/name_pattern.h"
#include "engine/projection_job.h"
#include "engine/reference/reference_transform.h"
#include "engine/sample_math.h"
#include "tests/fuzz/fuzz_input.h"

namespace projconv {

namespace fuzz {
namespace {

struct Message {
  std::string caption, text;
  bool operator==(const Message&) const = default;
};

// Records what the batch shows and requests a stop once `stopAfter` files
// have been written, as a user pressing Cancel would.
class RecordingReporter : public BatchReporter {
 public:
  RecordingReporter(int stopAfter, StopFlag& stop) : stopAfter_(stopAfter), stop_(stop) {}

  void ShowMessage(const std::string& text, const std::string& caption) override {
    messages.push_back({caption, text});
  }
  void PostProgress(std::int32_t fileNumber) override {
    progress.push_back(fileNumber);
    if (std::ssize(progress) >= stopAfter_) stop_.store(1);
  }

  std::vector<Message> messages;
  std::vector<std::int32_t> progress;

 private:
  int stopAfter_;
  StopFlag& stop_;  // the job's own flag
};

// What one batch did, as seen from outside.
struct Outcome {
  bool refused = false;
  std::optional<BatchResult> result;  // absent when RunBatch was called
  std::vector<Message> messages;
  std::vector<std::int32_t> progress;
};

std::string Describe(const FuzzCase& c) {
  std::ostringstream s;
  s << "in " << c.inSizeX << "x" << c.inSizeY << " out " << c.outSizeX << "x" << c.outSizeY
    << " header " << c.headerLen << " type " << c.sampleType << " order " << c.byteOrder
    << " signedness " << c.signedness << " formats \"" << c.inFormat << "\" \"" << c.outFormat
    << "\" files " << c.fileCount << (c.folderAfterFiles ? "+folder" : "")
    << (c.sameFolder ? " same-folder" : "") << " stop " << c.stopAfter << " threads " << c.threads
    << " kernels " << int(c.kernels) << " start " << c.startNumber << " crop " << c.cropLeft << ","
    << c.cropTop << "," << c.cropRight << "," << c.cropBottom << " centre " << c.rotCentreX << ","
    << c.rotCentreY << " angle " << c.angle << " scale " << c.scale;
  return s.str();
}

std::string Summary(const Outcome& o) {
  std::string text = o.refused ? "refused" : "ran";
  text += ", " + std::to_string(o.progress.size()) + " files written";
  for (const Message& m : o.messages) text += "; " + m.caption + ": " + m.text.substr(0, 160);
  return text;
}

class CaseRun {
 public:
  CaseRun(const FuzzCase& c, const ScratchFolder& scratch)
      : c_(c),
        inFolder_(scratch.inFolder()),
        outFolder_(c.sameFolder ? scratch.inFolder() : scratch.outFolder()),
        inPattern_(NamePattern::Parse(c.inFormat)),
        outPattern_(NamePattern::Parse(c.outFormat)) {}

  void LayOutInputs() const {
    if (!inPattern_) return;
    // Names that cannot be made (too long, or naming the folder itself) are
    // left out: the batch must then stop at them with a message.
    for (int k = 0; k < c_.fileCount; ++k) WriteWholeFile(InName(k), c_.files[std::size_t(k)]);
    if (c_.folderAfterFiles) ::mkdir(InName(c_.fileCount).c_str(), 0777);
  }

  // One batch on a job of its own, on the transform `kernels` with `threads`.
  Outcome Run(TransformKernels kernels, int threads) const {
    ProjectionJob job;
    Fill(job);
    job.batch.kernels = kernels;
    job.batch.workerThreads = threads;
    RecordingReporter reporter(c_.stopAfter, job.stopFlag());
    job.dialog = &reporter;
    if (c_.stopAfter == 0) job.RequestStop();
    Outcome outcome;
    if (c_.callRunBatch) {
      outcome.refused = !job.RunBatch();
    } else {
      outcome.result = job.RunBatchWithResult();
      outcome.refused = outcome.result->end == BatchEnd::Refused;
    }
    outcome.messages = reporter.messages;
    outcome.progress = reporter.progress;
    return outcome;
  }

  // Checks one batch; `before` is the output folder as it was before it.
  void Check(const Outcome& o, const std::vector<Entry>& before) const {
    for (std::size_t k = 0; k < o.progress.size(); ++k)
      Expect(o.progress[k] == std::int32_t(k), "progress numbers count up from 0");
    Expect(std::ssize(o.progress) <= c_.stopAfter, "the batch stops once a stop is requested");
    if (o.result) {
      Expect(o.result->filesWritten == std::ssize(o.progress), "one progress post per file");
    }
    if (o.refused) {
      CheckRefusal(o, before);
    } else {
      CheckEnd(o);
      CheckOutputs(std::ssize(o.progress));
    }
  }

  void CheckAsReference(const Outcome& first, const Outcome& second,
                        const std::vector<Entry>& outputs,
                        const std::vector<std::vector<char>>& contents) const {
    Expect(second.refused == first.refused && second.messages == first.messages &&
               second.progress == first.progress,
           "the reference transform ends the batch the same way");
    if (first.result && second.result) {
      Expect(second.result->end == first.result->end &&
                 second.result->fileName == first.result->fileName,
             "the reference transform ends the batch at the same file");
      Expect(second.result->samplesWrapped == first.result->samplesWrapped,
             "the reference transform counts the same wrapped samples");
    }
    Expect(ListFolder(outFolder_) == outputs, "the reference transform writes the same files");
    Expect(OutputContents() == contents, "the reference transform writes the same samples");
  }

  std::vector<std::vector<char>> OutputContents() const {
    std::vector<std::vector<char>> contents;
    for (const Entry& entry : ListFolder(outFolder_)) {
      std::ifstream in(outFolder_ + "/" + entry.name, std::ios::binary);
      contents.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return contents;
  }

  const std::string& outFolder() const { return outFolder_; }

 private:
  std::string InName(std::int64_t k) const {
    return JoinPath(inFolder_, inPattern_->Format(Wrap32(std::int64_t{c_.startNumber} + k)));
  }
  std::string OutName(std::int64_t k) const {
    return JoinPath(outFolder_, outPattern_->Format(Wrap32(k)));
  }

  void Fill(ProjectionJob& job) const {
    job.inFolder = inFolder_;
    job.outFolder = outFolder_;
    job.inFormat = c_.inFormat;
    job.outFormat = c_.outFormat;
    job.startNumber = c_.startNumber;
    job.headerLen = c_.headerLen;
    job.sampleType = SampleType(c_.sampleType);
    job.byteOrder = ByteOrder(c_.byteOrder);
    job.signedness = Signedness(c_.signedness);
    job.inSizeX = c_.inSizeX;
    job.inSizeY = c_.inSizeY;
    job.outSizeX = c_.outSizeX;
    job.outSizeY = c_.outSizeY;
    job.cropLeft = c_.cropLeft;
    job.cropTop = c_.cropTop;
    job.cropRight = c_.cropRight;
    job.cropBottom = c_.cropBottom;
    job.rotCentreX = c_.rotCentreX;
    job.rotCentreY = c_.rotCentreY;
    job.angle = c_.angle;
    job.scale = c_.scale;
  }

  void CheckRefusal(const Outcome& o, const std::vector<Entry>& before) const {
    Expect(o.messages.size() == 1 && o.messages[0].caption == "Error",
           "a refused batch shows exactly one Error");
    Expect(o.progress.empty(), "a refused batch writes nothing");
    Expect(ListFolder(outFolder_) == before, "a refused batch leaves the folder as it was");
  }

  void CheckEnd(const Outcome& o) const {
    Expect(inPattern_ && outPattern_, "a batch with a malformed pattern is refused");
    for (const Message& m : o.messages) Expect(m.caption == "Info", "only refusals show Error");
    if (!o.result) {
      Expect(o.messages.size() <= 1, "a batch ends with one message at most");
      return;
    }
    const BatchResult& r = *o.result;
    if (r.end == BatchEnd::Stopped) {
      Expect(o.messages.empty(), "a stop on request is silent");
      Expect(std::ssize(o.progress) == c_.stopAfter, "a batch stops only when asked to");
      return;
    }
    Expect(o.messages.size() == 1, "a batch that ends at a file says so once");
    const std::int64_t at = std::ssize(o.progress);
    const std::string name = r.end == BatchEnd::OutputNotWritten ? OutName(at) : InName(at);
    Expect(r.fileName == name, "the batch ends at the next file of the sequence");
    if (!o.messages.empty()) {
      Expect(o.messages[0].text.starts_with("File  " + name + "   "), "the message names the file");
    }
    if (r.end == BatchEnd::InputMissing) {
      struct stat info;
      Expect(::lstat(name.c_str(), &info) != 0, "an input reported missing does not exist");
    }
  }

  void CheckOutputs(std::int64_t written) const {
    const std::int64_t bytes = 2 * std::int64_t{c_.outSizeX} * c_.outSizeY;
    for (std::int64_t k = 0; k < written; ++k)
      Expect(FileSize(OutName(k)) == bytes,
             "every output is exactly 2 * outSizeX * outSizeY bytes");
    if (!c_.sameFolder) {
      // The files as the case wrote them: none was replaced by an output.
      const std::int64_t whole = std::int64_t(ReadLength(c_, std::size_t(1) << 40));
      for (std::int64_t k = 0; k < written; ++k)
        Expect(FileSize(InName(k)) >= whole, "every output comes from a whole input");
      Expect(std::ssize(ListFolder(outFolder_)) == written,
             "the output folder holds the files written and nothing else");
    }
  }

  void Expect(bool holds, const char* guarantee) const {
    if (holds) return;
    std::fprintf(stderr, "projconv fuzz: broken guarantee: %s\n  case: %s\n", guarantee,
                 Describe(c_).c_str());
    std::abort();
  }

  const FuzzCase& c_;
  std::string inFolder_, outFolder_;
  std::optional<NamePattern> inPattern_, outPattern_;
};

}  // namespace

std::string RunCase(std::span<const std::uint8_t> bytes, const ScratchFolder& scratch) {
  const FuzzCase c = Decode(bytes);
  scratch.Reset();
  const CaseRun run(c, scratch);
  run.LayOutInputs();

  const std::vector<Entry> before = ListFolder(run.outFolder());
  const Outcome first = run.Run(c.kernels, c.threads);
  run.Check(first, before);

  // Every transform must give the reference's bits. The inputs of a shared
  // folder may have been overwritten by the first run, so it is left out.
  if (c.againOnReference && !c.sameFolder) {
    const std::vector<Entry> outputs = ListFolder(run.outFolder());
    const std::vector<std::vector<char>> contents = run.OutputContents();
    run.CheckAsReference(first, run.Run(TransformKernels::Reference, 1), outputs, contents);
  }
  return Describe(c) + "\n  -> " + Summary(first);
}

}  // namespace fuzz

}  // namespace projconv
