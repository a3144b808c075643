// The converter dialog's exchange through its real widgets.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <utility>

#include "tests/form/exchange_cases.h"
#include "tests/gui/dialog_test_support.h"

namespace projconv {

namespace {

class WidgetHarness : public ExchangeHarness {
 public:
  WidgetHarness() {
    dialog_.SetFailureReporter([this](const QString& m) { messages_.push_back(m.toStdString()); });
    dialog_.values().sampleType =
        SampleType::Float32;  // keeps the scale edit enabled, so it can take the focus
    dialog_.show();
  }
  ConverterValues& values() override { return dialog_.values(); }
  bool Exchange(bool save) override { return dialog_.UpdateData(save); }
  void Type(int id, const std::string& text) override { TypeInto(dialog_, id, text); }
  std::string Shown(int id) override { return EditOf(dialog_, id)->text().toStdString(); }
  int CheckShown(int id) override {
    switch (qobject_cast<QCheckBox*>(dialog_.Control(id))->checkState()) {
      case Qt::Checked:
        return 1;
      case Qt::PartiallyChecked:
        return 2;
      default:
        return 0;
    }
  }
  int RadioShown(int firstId) override {
    for (int i = 0; i < 2; ++i) {
      if (qobject_cast<QAbstractButton*>(dialog_.Control(firstId + i))->isChecked()) return i;
    }
    return -1;
  }
  int FocusedControl() override { return ControlIdOf(dialog_.focusWidget()); }
  std::vector<std::string> TakeMessages() override { return std::exchange(messages_, {}); }
  std::optional<int> FailedRow() override { return std::nullopt; }

 private:
  ConverterDialog dialog_;
  std::vector<std::string> messages_;
};

class WidgetSaveCaseTest : public testing::TestWithParam<SaveCase> {};

TEST_P(WidgetSaveCaseTest, SavesUpToTheFirstRefusal) {
  WidgetHarness h;
  RunSaveCase(h, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cases, WidgetSaveCaseTest, testing::ValuesIn(SaveCases()),
                         [](const auto& info) { return info.param.name; });

TEST(WidgetExchange, RadioGroups) {
  WidgetHarness h;
  CheckRadioGroups(h);
}

TEST(WidgetExchange, CheckBoxes) {
  WidgetHarness h;
  CheckCheckBoxes(h);
}

TEST(WidgetExchange, OutputSizeExchangedTwice) {
  WidgetHarness h;
  CheckOutputSizeExchangedTwice(h);
}

TEST(WidgetExchange, FloatsSurviveLoadAndSave) {
  WidgetHarness h;
  CheckFloatsSurviveLoadAndSave(h);
}

}  // namespace

}  // namespace projconv
