// The converter dialog's exchange over fake controls: no widgets involved.

#include <gtest/gtest.h>

#include "form/converter_exchange.h"
#include "tests/form/exchange_cases.h"
#include "tests/form/fake_controls.h"

namespace projconv {

namespace {

class FakeHarness : public ExchangeHarness {
 public:
  ConverterValues& values() override { return values_; }
  bool Exchange(bool save) override {
    DataExchange dx(controls_, save ? ExchangeDirection::Save : ExchangeDirection::Load);
    ExchangeConverterValues(dx, values_);
    failedRow_ = dx.failure() ? std::optional<int>(dx.failure()->row) : std::nullopt;
    return !dx.failed();
  }
  void Type(int id, const std::string& text) override { controls_.SetText(id, text); }
  std::string Shown(int id) override { return controls_.Text(id); }
  int CheckShown(int id) override { return controls_.CheckState(id); }
  int RadioShown(int firstId) override { return controls_.RadioIndex(firstId); }
  int FocusedControl() override { return controls_.focus; }
  std::vector<std::string> TakeMessages() override { return std::exchange(controls_.messages, {}); }
  std::optional<int> FailedRow() override { return failedRow_; }

 private:
  FakeControls controls_;
  ConverterValues values_;
  std::optional<int> failedRow_;
};

class FakeSaveCaseTest : public testing::TestWithParam<SaveCase> {};

TEST_P(FakeSaveCaseTest, SavesUpToTheFirstRefusal) {
  FakeHarness h;
  RunSaveCase(h, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cases, FakeSaveCaseTest, testing::ValuesIn(SaveCases()),
                         [](const auto& info) { return info.param.name; });

TEST(FakeExchange, RadioGroups) {
  FakeHarness h;
  CheckRadioGroups(h);
}

TEST(FakeExchange, CheckBoxes) {
  FakeHarness h;
  CheckCheckBoxes(h);
}

TEST(FakeExchange, OutputSizeExchangedTwice) {
  FakeHarness h;
  CheckOutputSizeExchangedTwice(h);
}

TEST(FakeExchange, FloatsSurviveLoadAndSave) {
  FakeHarness h;
  CheckFloatsSurviveLoadAndSave(h);
}

TEST(FakeExchange, LoadingShowsEveryMember) {
  FakeHarness h;
  h.values() = NewValues();
  ASSERT_TRUE(h.Exchange(false));
  EXPECT_EQ(h.Shown(1001), "/data/neu-\xC3\xBC");
  EXPECT_EQ(h.Shown(1005), "out.%04i");
  EXPECT_EQ(h.Shown(1006), "in.%04i");
  EXPECT_EQ(h.Shown(1016), "104");
  EXPECT_EQ(h.Shown(1048), "-118");
  EXPECT_EQ(h.Shown(1052), "-12.5");
  EXPECT_EQ(h.Shown(1056), "0.001");
  EXPECT_EQ(h.CheckShown(1039), 1);
  EXPECT_EQ(h.RadioShown(1044), 1);
}

}  // namespace

}  // namespace projconv
