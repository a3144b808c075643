// The preview reads what is typed with the dialog's own exchange, and finds
// every field it refuses, not only the first.

#include <gtest/gtest.h>

#include "form/control_ids.h"
#include "form/converter_exchange.h"
#include "form/data_exchange.h"
#include "preview/preview_reading.h"
#include "tests/support/parameter_printing.h"
#include "tests/support/raw_batch.h"

namespace projconv {

namespace {

ConverterValues Members() {
  ConverterValues v;
  test_support::FillRawBatch(v, "/data/scan", "/data/out", 512, 512);
  v.outSizeX = v.outSizeY = 256;
  v.rotCentreX = v.rotCentreY = 256;
  v.angle = 2.5f;
  return v;
}

// The controls as a loading exchange leaves them.
ControlTexts TextsShowing(ConverterValues values) {
  ControlTexts texts;
  DataExchange dx(texts, ExchangeDirection::Load);
  ExchangeConverterValues(dx, values);
  return texts;
}

std::vector<int> ProblemIds(const PreviewReading& reading) {
  std::vector<int> ids;
  for (const FieldProblem& p : reading.problems) ids.push_back(p.controlId);
  return ids;
}

TEST(PreviewReading, ReadsTheTypedValuesAsTheExchangeWould) {
  const ConverterValues members = Members();
  ControlTexts texts = TextsShowing(members);
  texts.SetText(kIdcAngleEdit, " -12.25 ");
  texts.SetText(kIdcCropLeftEdit, "+40");
  texts.SetRadioIndex(kIdcInteger16Radio, 1);
  const PreviewReading reading = ReadPreviewValues(texts, members);
  EXPECT_TRUE(reading.problems.empty());
  EXPECT_EQ(reading.values.angle, -12.25f);
  EXPECT_EQ(reading.values.cropLeft, 40);
  EXPECT_EQ(reading.values.sampleType, SampleType::Float32);
  EXPECT_EQ(reading.values.inFolder, "/data/scan");
}

TEST(PreviewReading, FindsEveryRefusedFieldAndSaysWhichAndWhy) {
  const ConverterValues members = Members();
  ControlTexts texts = TextsShowing(members);
  texts.SetText(kIdcHeaderLenEdit, "abc");
  texts.SetText(kIdcAngleEdit, "200");
  texts.SetText(kIdcCropLeftEdit, "-1001");
  const PreviewReading reading = ReadPreviewValues(texts, members);
  EXPECT_EQ(ProblemIds(reading),
            (std::vector<int>{kIdcHeaderLenEdit, kIdcAngleEdit, kIdcCropLeftEdit}));
  EXPECT_EQ(reading.problems[0].text, "File header length: Please enter a whole number.");
  EXPECT_EQ(reading.problems[1].text, "Angle: Please enter a number between -180 and 180.");
  EXPECT_EQ(reading.InputProblem(), &reading.problems[0]);
  EXPECT_EQ(reading.GeometryProblem(), &reading.problems[1]);
  // Fields after a refused one are still read.
  EXPECT_EQ(reading.values.rotCentreY, 256);
}

TEST(PreviewReading, SortsProblemsByWhatTheyKeepFromBeingShown) {
  const ConverterValues members = Members();
  const struct {
    int id;
    std::string text;
    bool input, geometry, any;
  } cases[] = {
      {kIdcInSizeXEdit, "10001", true, false, true},
      {kIdcStartNumberEdit, "x", true, false, true},
      {kIdcOutSizeYEdit, "-1", false, true, true},
      {kIdcRotCentreXEdit, "1.5", false, true, true},
      {kIdcOutFormatEdit, std::string(257, 'a'), false, false, true},
      // Nothing a batch writes depends on these.
      {kIdcOutFolderEdit, std::string(300, 'o'), false, false, false},
      {kIdcProgressEdit, "12345", false, false, false},
      {kIdcScaleEdit, "abc", false, false, false},  // 16-bit input has no scale
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    ControlTexts texts = TextsShowing(members);
    texts.SetText(c.id, c.text);
    const PreviewReading reading = ReadPreviewValues(texts, members);
    EXPECT_EQ(reading.InputProblem() != nullptr, c.input);
    EXPECT_EQ(reading.GeometryProblem() != nullptr, c.geometry);
    EXPECT_EQ(reading.AnyProblem() != nullptr, c.any);
  }
}

TEST(PreviewReading, ScaleMattersForFloatInput) {
  ConverterValues members = Members();
  members.sampleType = SampleType::Float32;
  ControlTexts texts = TextsShowing(members);
  texts.SetText(kIdcScaleEdit, "1e999");
  const PreviewReading reading = ReadPreviewValues(texts, members);
  ASSERT_EQ(ProblemIds(reading), std::vector<int>{kIdcScaleEdit});
  EXPECT_EQ(reading.problems[0].text, "Scale factor: Please enter a number.");
  EXPECT_EQ(reading.InputProblem(), nullptr);
}

}  // namespace

}  // namespace projconv
