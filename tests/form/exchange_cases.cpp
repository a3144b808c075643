#include "tests/form/exchange_cases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "form/control_ids.h"
#include "tests/support/parameter_printing.h"

namespace projconv {

namespace {

// Every member with its row in the exchange, in order.
struct RowProbe {
  int row;
  Probe probe;
};

#define PROBE(m)                                                                      \
  Probe {                                                                             \
#m, [](const ConverterValues& a, const ConverterValues& b) { return a.m == b.m; } \
  }

const std::vector<RowProbe>& RowProbes() {
  static const std::vector<RowProbe> probes = {
      {1, PROBE(inFolder)},       {2, PROBE(outFolder)},     {3, PROBE(inFormat)},
      {4, PROBE(outFormat)},      {5, PROBE(spare1014)},     {6, PROBE(startNumber)},
      {7, PROBE(cropFileHeader)}, {8, PROBE(headerLen)},     {9, PROBE(zoomOutByTwo)},
      {10, PROBE(progress)},      {11, PROBE(outSizeXCopy)}, {12, PROBE(outSizeYCopy)},
      {13, PROBE(spare1034)},     {14, PROBE(spare1035)},    {15, PROBE(spare1036)},
      {16, PROBE(spare1037)},     {17, PROBE(yesFlag)},      {18, PROBE(transposition)},
      {19, PROBE(sampleType)},    {20, PROBE(byteOrder)},    {21, PROBE(signedness)},
      {22, PROBE(inSizeX)},       {23, PROBE(inSizeY)},      {24, PROBE(outSizeX)},
      {25, PROBE(outSizeY)},      {26, PROBE(cropRight)},    {27, PROBE(cropBottom)},
      {28, PROBE(rotCentreX)},    {29, PROBE(angle)},        {30, PROBE(cropLeft)},
      {31, PROBE(cropTop)},       {32, PROBE(rotCentreY)},   {33, PROBE(scale)},
  };
  return probes;
}

// What a successful save of NewValues() gives: the copies of the output size
// come from the same edits as the sizes.
ConverterValues SavedNewValues() {
  ConverterValues v = NewValues();
  v.outSizeXCopy = v.outSizeX;
  v.outSizeYCopy = v.outSizeY;
  return v;
}

const std::string kWholeNumber = "Please enter a whole number.";
const std::string kNumber = "Please enter a number.";
const std::string kCount = "Please enter a number between 0 and 10000.";
const std::string kAngle = "Please enter a number between -180 and 180.";
const std::string kTooLong = "Please enter no more than 256 characters.";

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

SaveCase Accepted(std::string name, int id, std::string typed, std::vector<int> rows,
                  std::function<bool(const ConverterValues&)> typedMember) {
  return {std::move(name), id, std::move(typed),      std::move(rows),
          false,           "", std::move(typedMember)};
}

SaveCase Refused(std::string name, int id, std::string typed, std::vector<int> rows,
                 std::string message, std::function<bool(const ConverterValues&)> typedMember) {
  return {std::move(name),       id, std::move(typed), std::move(rows), true, std::move(message),
          std::move(typedMember)};
}

std::vector<SaveCase> BuildSaveCases() {
  const ConverterValues old = OldValues();
  const std::string longFolder = Repeat("a", 257);
  const std::string wideFolder = Repeat("\xC3\xA9", 256);  // 256 characters, 512 bytes
  return {
      Accepted("HeaderLengthWithBlanks", kIdcHeaderLenEdit, " 64 ", {8},
               [](auto& v) { return v.headerLen == 64; }),
      Refused("LettersInHeaderLength", kIdcHeaderLenEdit, "abc", {8}, kWholeNumber,
              [old](auto& v) { return v.headerLen == old.headerLen; }),
      Refused("ExponentInHeaderLength", kIdcHeaderLenEdit, "1e3", {8}, kWholeNumber,
              [old](auto& v) { return v.headerLen == old.headerLen; }),
      Refused("HeaderLengthBeyond32Bits", kIdcHeaderLenEdit, "2147483648", {8}, kWholeNumber,
              [old](auto& v) { return v.headerLen == old.headerLen; }),
      Refused("NegativeHeaderLength", kIdcHeaderLenEdit, "-5", {8}, kCount,
              [](auto& v) { return v.headerLen == -5; }),
      Refused("EmptyStartNumber", kIdcStartNumberEdit, "", {6}, kWholeNumber,
              [old](auto& v) { return v.startNumber == old.startNumber; }),
      Accepted("Angle180", kIdcAngleEdit, "180", {29}, [](auto& v) { return v.angle == 180.0f; }),
      Accepted("AngleMinus180", kIdcAngleEdit, "-180.0", {29},
               [](auto& v) { return v.angle == -180.0f; }),
      Refused("Angle180Point5", kIdcAngleEdit, "180.5", {29}, kAngle,
              [](auto& v) { return v.angle == 180.5f; }),
      Refused("Angle200", kIdcAngleEdit, "200", {29}, kAngle,
              [](auto& v) { return v.angle == 200.0f; }),
      Refused("AngleWithComma", kIdcAngleEdit, "1,5", {29}, kNumber,
              [old](auto& v) { return v.angle == old.angle; }),
      Accepted("CropLeftMinus1000", kIdcCropLeftEdit, "-1000", {30},
               [](auto& v) { return v.cropLeft == -1000; }),
      Refused("CropLeftMinus1001", kIdcCropLeftEdit, "-1001", {30},
              "Please enter a number between -1000 and 10000.",
              [](auto& v) { return v.cropLeft == -1001; }),
      Accepted("CropTopMinus10000", kIdcCropTopEdit, "-10000", {31},
               [](auto& v) { return v.cropTop == -10000; }),
      Refused("CropTopMinus10001", kIdcCropTopEdit, "-10001", {31},
              "Please enter a number between -10000 and 10000.",
              [](auto& v) { return v.cropTop == -10001; }),
      Accepted("FolderOf256WideCharacters", kIdcInFolderEdit, wideFolder, {1},
               [wideFolder](auto& v) { return v.inFolder == wideFolder; }),
      Refused("InputFolderOf257Characters", kIdcInFolderEdit, longFolder, {1}, kTooLong,
              [longFolder](auto& v) { return v.inFolder == longFolder; }),
      Refused("OutputFolderOf257Characters", kIdcOutFolderEdit, longFolder, {2}, kTooLong,
              [longFolder](auto& v) { return v.outFolder == longFolder; }),
      Accepted("ScaleZero", kIdcScaleEdit, "0", {33}, [](auto& v) { return v.scale == 0.0f; }),
      Accepted("ScaleNegative", kIdcScaleEdit, "-3.25", {33},
               [](auto& v) { return v.scale == -3.25f; }),
      Accepted("ScaleHuge", kIdcScaleEdit, "1e30", {33}, [](auto& v) { return v.scale == 1e30f; }),
      Refused("ScaleInfinite", kIdcScaleEdit, "inf", {33}, kNumber,
              [old](auto& v) { return v.scale == old.scale; }),
      Accepted("Progress10000", kIdcProgressEdit, "10000", {10},
               [](auto& v) { return v.progress == 10000; }),
      Refused("Progress10001", kIdcProgressEdit, "10001", {10}, kCount,
              [](auto& v) { return v.progress == 10001; }),
      Accepted("OutputWidthGoesToBothMembers", kIdcOutSizeXEdit, "300", {11, 24},
               [](auto& v) { return v.outSizeXCopy == 300 && v.outSizeX == 300; }),
      Refused("OutputWidthRefusedAtItsFirstRow", kIdcOutSizeXEdit, "20000", {11, 24}, kCount,
              [](auto& v) { return v.outSizeXCopy == 20000; }),
      Refused("LettersInOutputHeight", kIdcOutSizeYEdit, "y", {12, 25}, kWholeNumber,
              [old](auto& v) { return v.outSizeYCopy == old.outSizeYCopy; }),
  };
}

std::uint32_t Bits(float f) {
  return std::bit_cast<std::uint32_t>(f);
}

}  // namespace

ConverterValues OldValues() {
  ConverterValues v;
  v.inFolder = "c:\\old\\in";
  v.outFolder = "c:\\old\\out";
  v.inFormat = "old.%03i";
  v.outFormat = "old-out.%03i";
  v.spare1014 = 1;
  v.startNumber = 2;
  v.cropFileHeader = 0;
  v.headerLen = 3;
  v.zoomOutByTwo = 0;
  v.progress = 4;
  v.outSizeXCopy = 5;
  v.outSizeYCopy = 6;
  v.spare1034 = 7;
  v.spare1035 = 8;
  v.spare1036 = 9;
  v.spare1037 = 10;
  v.yesFlag = 0;
  v.transposition = 0;
  v.sampleType = SampleType::Integer16;
  v.byteOrder = ByteOrder::LittleEndian;
  v.signedness = Signedness::Signed;
  v.inSizeX = 11;
  v.inSizeY = 12;
  v.outSizeX = 13;
  v.outSizeY = 14;
  v.cropRight = 15;
  v.cropBottom = 16;
  v.rotCentreX = 17;
  v.angle = 1.5f;
  v.cropLeft = 18;
  v.cropTop = 19;
  v.rotCentreY = 20;
  v.scale = 2.5f;
  return v;
}

ConverterValues NewValues() {
  ConverterValues v;
  v.inFolder = "/data/neu-\xC3\xBC";
  v.outFolder = "/data/out";
  v.inFormat = "in.%04i";
  v.outFormat = "out.%04i";
  v.spare1014 = 101;
  v.startNumber = 102;
  v.cropFileHeader = 1;
  v.headerLen = 103;
  v.zoomOutByTwo = 1;
  v.progress = 104;
  v.outSizeXCopy = 105;
  v.outSizeYCopy = 106;
  v.spare1034 = 107;
  v.spare1035 = 108;
  v.spare1036 = 109;
  v.spare1037 = 110;
  v.yesFlag = 1;
  v.transposition = 1;
  v.sampleType = SampleType::Float32;
  v.byteOrder = ByteOrder::BigEndian;
  v.signedness = Signedness::Unsigned;
  v.inSizeX = 111;
  v.inSizeY = 112;
  v.outSizeX = 113;
  v.outSizeY = 114;
  v.cropRight = 115;
  v.cropBottom = 116;
  v.rotCentreX = 117;
  v.angle = -12.5f;
  v.cropLeft = -118;
  v.cropTop = -119;
  v.rotCentreY = 120;
  v.scale = 0.001f;
  return v;
}

void PrintTo(const SaveCase& c, std::ostream* os) {
  *os << c.name;
}

const std::vector<SaveCase>& SaveCases() {
  static const std::vector<SaveCase> cases = BuildSaveCases();
  return cases;
}

void RunSaveCase(ExchangeHarness& h, const SaveCase& c) {
  h.values() = NewValues();
  ASSERT_TRUE(h.Exchange(false));
  h.values() = OldValues();
  h.Type(c.controlId, c.typed);

  EXPECT_EQ(h.Exchange(true), !c.refused);

  const int failedRow = c.refused ? c.rows.front() : 0;
  const std::vector<std::string> messages = h.TakeMessages();
  if (c.refused) {
    EXPECT_EQ(messages, std::vector<std::string>{c.message});
    EXPECT_EQ(h.FocusedControl(), c.controlId);
    if (const std::optional<int> row = h.FailedRow()) {
      EXPECT_EQ(*row, failedRow);
    }
  } else {
    EXPECT_TRUE(messages.empty());
  }
  EXPECT_TRUE(c.typedMember(h.values())) << "member of the typed control";
  for (const auto& [row, probe] : RowProbes()) {
    const bool typedHere =
        c.refused ? row == failedRow : std::ranges::find(c.rows, row) != c.rows.end();
    if (typedHere) continue;
    if (failedRow == 0 || row < failedRow) {
      EXPECT_TRUE(probe.equal(h.values(), SavedNewValues()))
          << "row " << row << " (" << probe.member << ") should hold the new value";
    } else {
      EXPECT_TRUE(probe.equal(h.values(), OldValues()))
          << "row " << row << " (" << probe.member << ") should keep the old value";
    }
  }
}

void CheckRadioGroups(ExchangeHarness& h) {
  for (const int stored : {0, 1, 7, -1}) {
    SCOPED_TRACE(stored);
    h.values() = OldValues();
    h.values().sampleType = SampleType(stored);
    h.values().byteOrder = ByteOrder::BigEndian;
    h.values().signedness = Signedness::Signed;
    ASSERT_TRUE(h.Exchange(false));
    const int expected = (stored == 0 || stored == 1) ? stored : -1;
    EXPECT_EQ(h.RadioShown(kIdcInteger16Radio), expected);
    // The three groups are independent of each other.
    EXPECT_EQ(h.RadioShown(kIdcLittleEndianRadio), 1);
    EXPECT_EQ(h.RadioShown(kIdcSignedRadio), 0);

    ASSERT_TRUE(h.Exchange(true));
    EXPECT_EQ(h.values().sampleType, SampleType(expected));
    EXPECT_EQ(h.values().byteOrder, ByteOrder::BigEndian);
    EXPECT_EQ(h.values().signedness, Signedness::Signed);
  }
}

void CheckCheckBoxes(ExchangeHarness& h) {
  // 2 is the indeterminate state; a value that is no state shows unchecked.
  for (const auto& [stored, shown] : {std::pair{0, 0}, {1, 1}, {2, 2}, {5, 0}}) {
    SCOPED_TRACE(stored);
    h.values() = OldValues();
    h.values().cropFileHeader = stored;
    ASSERT_TRUE(h.Exchange(false));
    EXPECT_EQ(h.CheckShown(kIdcCropHeaderCheck), shown);
    ASSERT_TRUE(h.Exchange(true));
    EXPECT_EQ(h.values().cropFileHeader, shown);
  }
}

void CheckOutputSizeExchangedTwice(ExchangeHarness& h) {
  h.values() = OldValues();
  h.values().outSizeXCopy = 111;
  h.values().outSizeX = 222;
  h.values().outSizeYCopy = 333;
  h.values().outSizeY = 444;
  ASSERT_TRUE(h.Exchange(false));
  EXPECT_EQ(h.Shown(kIdcOutSizeXEdit), "222");
  EXPECT_EQ(h.Shown(kIdcOutSizeYEdit), "444");
  ASSERT_TRUE(h.Exchange(true));
  EXPECT_EQ(h.values().outSizeXCopy, 222);
  EXPECT_EQ(h.values().outSizeYCopy, 444);
}

void CheckFloatsSurviveLoadAndSave(ExchangeHarness& h) {
  using Limits = std::numeric_limits<float>;
  const float values[] = {0.1f,           -12.5f,        1.0f / 3.0f,      Limits::denorm_min(),
                          -Limits::min(), Limits::max(), Limits::lowest(), 1e30f,
                          -0.0f,          0.001f,        123456.79f,       7.0e-39f};
  for (const float value : values) {
    SCOPED_TRACE(value);
    h.values() = OldValues();
    h.values().scale = value;
    h.values().angle = std::nextafter(180.0f, 0.0f);
    ASSERT_TRUE(h.Exchange(false));
    h.values() = OldValues();
    ASSERT_TRUE(h.Exchange(true));
    EXPECT_EQ(Bits(h.values().scale), Bits(value));
    EXPECT_EQ(Bits(h.values().angle), Bits(std::nextafter(180.0f, 0.0f)));
  }
}

}  // namespace projconv
