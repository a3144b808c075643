#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <fstream>
#include <functional>
#include <sstream>

#include "cli/batch_options.h"
#include "cli/exit_codes.h"
#include "cli/exit_status_table.h"
#include "cli/sequence_options.h"
#include "settings/settings_keys.h"
#include "tests/settings/qt_printing.h"
#include "tests/support/parameter_printing.h"

namespace projconv {

namespace {

// A base unlike the defaults in every member, so that an override that sets
// the default value, or the wrong member, shows.
ConversionParameters Base() {
  ConversionParameters s = FirstRunSettings();
  s.inFolder = s.outFolder = s.inFormat = s.outFormat = "base";
  s.headerLen = s.startNumber = 9;
  s.sampleType = SampleType(9);
  s.byteOrder = ByteOrder(9);
  s.signedness = Signedness(9);
  s.inSizeX = s.inSizeY = s.outSizeX = s.outSizeY = 9;
  s.cropLeft = s.cropTop = s.cropRight = s.cropBottom = s.rotCentreX = s.rotCentreY = 9;
  s.angle = s.scale = 9.0f;
  return s;
}

struct GoodCase {
  QStringList arguments;
  std::function<void(ConversionParameters&)> expect;  // applied to Base()
};

const GoodCase kGoodCases[] = {
    {{}, [](ConversionParameters&) {}},
    {{"--in-folder", "/scans/a b,c"}, [](auto& s) { s.inFolder = "/scans/a b,c"; }},
    {{"--out-folder=/out"}, [](auto& s) { s.outFolder = "/out"; }},
    {{"--in-format", "p%03d", "--out-format", "q%i"},
     [](auto& s) { s.inFormat = "p%03d", s.outFormat = "q%i"; }},
    {{"--start", "-5"}, [](auto& s) { s.startNumber = -5; }},
    {{"--start", "1", "--start", "2147483647"}, [](auto& s) { s.startNumber = 2147483647; }},
    {{"--header-len", "-2147483648"}, [](auto& s) { s.headerLen = -2147483647 - 1; }},
    {{"--header-len", "+7"}, [](auto& s) { s.headerLen = 7; }},
    {{"--type", "int16"}, [](auto& s) { s.sampleType = SampleType::Integer16; }},
    {{"--type", "float32"}, [](auto& s) { s.sampleType = SampleType::Float32; }},
    {{"--byte-order", "little"}, [](auto& s) { s.byteOrder = ByteOrder::LittleEndian; }},
    {{"--byte-order", "big"}, [](auto& s) { s.byteOrder = ByteOrder::BigEndian; }},
    {{"--signed"}, [](auto& s) { s.signedness = Signedness::Signed; }},
    {{"--unsigned"}, [](auto& s) { s.signedness = Signedness::Unsigned; }},
    {{"--in-size", "640x480"}, [](auto& s) { s.inSizeX = 640, s.inSizeY = 480; }},
    {{"--out-size", "1x-2"}, [](auto& s) { s.outSizeX = 1, s.outSizeY = -2; }},
    {{"--crop", "-5,0,100,200"},
     [](auto& s) { s.cropLeft = -5, s.cropTop = 0, s.cropRight = 100, s.cropBottom = 200; }},
    {{"--centre", "10,-20"}, [](auto& s) { s.rotCentreX = 10, s.rotCentreY = -20; }},
    {{"--angle", "-12.5"}, [](auto& s) { s.angle = -12.5f; }},
    {{"--angle", "0.1"}, [](auto& s) { s.angle = 0.1f; }},
    // Rounded once, straight to float, as the dialog reads it: the text lies
    // just above the midpoint between two floats (its double is the midpoint
    // itself, which would round down).
    {{"--angle", "1.00000005960464477539062500001"},
     [](auto& s) { s.angle = std::nextafter(1.0f, 2.0f); }},
    {{"--scale", "+2.5e0"}, [](auto& s) { s.scale = 2.5f; }},
};

TEST(BatchOptions, GoodValuesOverrideTheirParameters) {
  for (const GoodCase& c : kGoodCases) {
    const QString line = c.arguments.join(' ');
    const ParsedArguments parsed = ParseBatchArguments(QStringList{"projconv-batch"} + c.arguments);
    const auto* options = std::get_if<BatchOptions>(&parsed);
    ASSERT_NE(options, nullptr) << line.toStdString();
    ConversionParameters actual = Base();
    options->ApplyOverrides(actual);
    ConversionParameters expected = Base();
    c.expect(expected);
    EXPECT_EQ(actual, expected) << line.toStdString();
    EXPECT_EQ(options->source, SettingsSource::DesktopFile);
    EXPECT_FALSE(options->quiet);
  }
}

TEST(BatchOptions, SourceAndQuiet) {
  const auto parse = [](const QStringList& arguments) {
    return std::get<BatchOptions>(ParseBatchArguments(QStringList{"projconv-batch"} + arguments));
  };
  const BatchOptions named = parse({"--settings", "/etc/a b.ini"});
  EXPECT_EQ(named.source, SettingsSource::NamedFile);
  EXPECT_EQ(named.settingsFile, "/etc/a b.ini");
  EXPECT_EQ(parse({"--defaults"}).source, SettingsSource::Defaults);
  EXPECT_TRUE(parse({"--quiet"}).quiet);
  EXPECT_TRUE(parse({"-q"}).quiet);
  EXPECT_EQ(parse({}).threads, 0);
  EXPECT_EQ(parse({"--threads", "3"}).threads, 3);
}

struct BadCase {
  QStringList arguments;
  const char* named;  // what the message must name
};

const BadCase kBadCases[] = {
    {{"--start", "abc"}, "--start"},
    {{"--start", "2147483648"}, "--start"},
    {{"--start", "-2147483649"}, "--start"},
    {{"--start", "1.5"}, "--start"},
    {{"--start", ""}, "--start"},
    {{"--start", "1", "--start", "x"}, "--start"},
    {{"--header-len", " 5"}, "--header-len"},
    {{"--header-len", "0x10"}, "--header-len"},
    {{"--type", "int8"}, "--type"},
    {{"--type", "Int16"}, "--type"},
    {{"--byte-order", "middle"}, "--byte-order"},
    {{"--in-size", "512"}, "--in-size"},
    {{"--in-size", "512x"}, "--in-size"},
    {{"--in-size", "512x512x1"}, "--in-size"},
    {{"--out-size", "ax5"}, "--out-size"},
    {{"--out-size", "512,512"}, "--out-size"},
    {{"--crop", "1,2,3"}, "--crop"},
    {{"--crop", "1,2,3,4,5"}, "--crop"},
    {{"--crop", "1,2,,4"}, "--crop"},
    {{"--centre", "1"}, "--centre"},
    {{"--angle", "nan"}, "--angle"},
    {{"--angle", "inf"}, "--angle"},
    {{"--angle", "1e39"}, "--angle"},  // finite as a double, not as a float
    {{"--angle", "1e400"}, "--angle"},
    {{"--angle", "12deg"}, "--angle"},
    {{"--angle", "0x1p3"}, "--angle"},
    {{"--scale", "1e-50"}, "--scale"},  // not 0: a nonzero text that vanishes is a slip
    {{"--scale", ""}, "--scale"},
    {{"--in-folder", ""}, "--in-folder"},
    {{"--settings", ""}, "--settings"},
    {{"--signed", "--unsigned"}, "--signed"},
    {{"--settings", "a.ini", "--defaults"}, "--defaults"},
    {{"--angle"}, "--angle"},
    {{"--bogus"}, "bogus"},
    {{"--quiet=1"}, "--quiet"},
    {{"--threads", "0"}, "--threads"},
    {{"--threads", "65"}, "--threads"},
    {{"--threads", "two"}, "--threads"},
    {{"stray"}, "stray"},
    {{"--start", "1", "--", "--start"}, "--start"},
    {{"--settle", "1"}, "--follow"},
    {{"--follow", "1", "--settle", "-0.1"}, "--settle"},
    {{"--follow", "1", "--settle", "86401"}, "--settle"},
};

TEST(BatchOptions, MalformedCommandLinesNameTheOption) {
  for (const BadCase& c : kBadCases) {
    const QString line = c.arguments.join(' ');
    const ParsedArguments parsed = ParseBatchArguments(QStringList{"projconv-batch"} + c.arguments);
    const auto* error = std::get_if<UsageError>(&parsed);
    ASSERT_NE(error, nullptr) << line.toStdString();
    EXPECT_TRUE(error->message.contains(QLatin1String(c.named)))
        << line.toStdString() << " -> " << error->message.toStdString();
  }
}

// The messages and help that list output formats, word for word: they are
// made from the formats' table.
TEST(BatchOptions, OutputFormatsAreListedInTheirOwnWords) {
  const struct {
    QStringList arguments;
    const char* message;
  } cases[] = {
      {{"--out-type", "bmp"}, "--out-type: \"bmp\" is none of raw, tiff, tiff-stack, hdf5"},
      {{"--out-type", "%2"}, "--out-type: \"%2\" is none of raw, tiff, tiff-stack, hdf5"},
      {{"--out-type", "tiff", "--skip-existing"},
       "--skip-existing: only raw output files can be kept"},
      {{"--shard", "0/2", "--out-type", "tiff-stack", "--out-file", "s.tif"},
       "--shard: the shards of a sequence cannot share one --out-file; use --out-type raw or "
       "tiff, or a run without --shard for each file"},
  };
  for (const auto& c : cases) {
    const ParsedArguments parsed = ParseBatchArguments(QStringList{"projconv-batch"} + c.arguments);
    const auto* error = std::get_if<UsageError>(&parsed);
    ASSERT_NE(error, nullptr) << c.message;
    EXPECT_EQ(error->message.toStdString(), c.message);
  }
  const QString help = BatchHelpText().simplified();
  for (const char* text :
       {"--out-type <raw|tiff|tiff-stack|hdf5>",
        "What the output images are written as: raw (headerless files, the default), tiff (a "
        "16-bit TIFF per image, named as the raw file would be), tiff-stack or hdf5 (every image "
        "in the one file --out-file names; HDF5 in /exchange/data).",
        "The file of a tiff-stack or hdf5 output. It is written as PATH.partial,"}) {
    EXPECT_TRUE(help.contains(QLatin1String(text))) << text << "\n" << help.toStdString();
  }
}

TEST(BatchOptions, HelpAndVersionWinOverEverythingButUnknownOptions) {
  const auto parse = [](const QStringList& arguments) {
    return ParseBatchArguments(QStringList{"projconv-batch"} + arguments);
  };
  EXPECT_EQ(std::get<InfoRequest>(parse({"--help"})), InfoRequest::Help);
  EXPECT_EQ(std::get<InfoRequest>(parse({"-h", "--start", "abc"})), InfoRequest::Help);
  EXPECT_EQ(std::get<InfoRequest>(parse({"--version"})), InfoRequest::Version);
  EXPECT_TRUE(std::holds_alternative<UsageError>(parse({"--help", "--bogus"})));
}

TEST(BatchOptions, HelpDocumentsEveryOption) {
  const QString help = BatchHelpText();
  for (const char* option :
       {"--settings", "--defaults",   "--in-folder", "--out-folder", "--in-format", "--out-format",
        "--start",    "--header-len", "--type",      "--byte-order", "--signed",    "--unsigned",
        "--in-size",  "--out-size",   "--crop",      "--centre",     "--angle",     "--scale",
        "--help",     "--version",    "--quiet"}) {
    EXPECT_TRUE(help.contains(QLatin1String(option))) << option;
  }
}

TEST(SequenceOptions, SettleTimeOfAFollowedBatch) {
  const auto settle = [](const QStringList& arguments) {
    const auto parsed =
        ParseBatchArguments(QStringList{"projconv-batch", "--follow", "5"} + arguments);
    return std::get<BatchOptions>(parsed).sequence.span.settleSeconds;
  };
  EXPECT_EQ(settle({}), 1.0);
  EXPECT_FLOAT_EQ(static_cast<float>(settle({"--settle", "0.2"})), 0.2f);
}

// Shards split exactly what the whole run with the same span converts: the
// first min(files, count) inputs, in shares that follow one another and
// differ by at most one file.
TEST(ShardSpan, ShardsTogetherTakeWhatTheWholeRunTakes) {
  for (const std::int64_t files : {0, 1, 7, 13, 100}) {
    for (const std::int64_t count : {-1, 0, 1, 4, 13, 20}) {
      for (const std::int64_t shards : {1, 2, 3, 8}) {
        SCOPED_TRACE(testing::Message() << files << " files, count " << count << ", " << shards);
        SequenceSpan whole;
        whole.limit = count;
        whole.outStart = 3;
        const std::int64_t taken = count < 0 ? files : std::min(files, count);
        std::int64_t next = 0;
        for (std::int64_t index = 0; index < shards; ++index) {
          const SequenceSpan share = ShardSpan(whole, Shard{index, shards}, files);
          EXPECT_EQ(share.skip, next);
          EXPECT_GE(share.limit, taken / shards);
          EXPECT_LE(share.limit, taken / shards + 1);
          EXPECT_EQ(share.outStart, whole.outStart);
          next += share.limit;
        }
        EXPECT_EQ(next, taken);
      }
    }
  }
}

TEST(ExitCodes, FollowHowTheBatchEnded) {
  EXPECT_EQ(ExitCodeFor(BatchEnd::InputMissing, 1), 0);
  EXPECT_EQ(ExitCodeFor(BatchEnd::InputMissing, 0), 3);  // not even the first input
  for (const std::int64_t written : {0, 1}) {
    SCOPED_TRACE(written);
    EXPECT_EQ(ExitCodeFor(BatchEnd::InputNotOpened, written), 1);
    EXPECT_EQ(ExitCodeFor(BatchEnd::InputNotRead, written), 1);
    EXPECT_EQ(ExitCodeFor(BatchEnd::OutputNotWritten, written), 1);
    EXPECT_EQ(ExitCodeFor(BatchEnd::Refused, written), 2);
    EXPECT_EQ(ExitCodeFor(BatchEnd::Stopped, written), 130);
  }
}

// The README shows the table --help shows, word for word.
TEST(ExitCodes, TheReadmeHoldsTheHelpsTable) {
  std::ifstream readme(PROJCONV_README);
  std::stringstream text;
  text << readme.rdbuf();
  const std::string table = ExitStatusMarkdownTable();
  EXPECT_NE(text.str().find(table), std::string::npos) << "the README lacks\n" << table;
}

}  // namespace

}  // namespace projconv
