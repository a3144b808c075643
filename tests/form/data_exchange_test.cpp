// The exchange engine's row rules on small row lists of its own.

#include "form/data_exchange.h"

#include <gtest/gtest.h>

#include "tests/form/fake_controls.h"

namespace projconv {

namespace {

struct Members {
  std::int32_t first = 1;
  float second = 2.0f;
  std::string third = "old";
};

// Three rows: an integer, a float in [-1, 1], a text of at most 3 characters.
bool Exchange(FakeControls& controls, ExchangeDirection direction, Members& m,
              std::optional<ExchangeFailure>* failure = nullptr) {
  DataExchange dx(controls, direction);
  dx.Int(10, m.first, 0, 100);
  dx.Float(20, m.second, FloatRange{-1.0f, 1.0f});
  dx.Text(30, m.third, 3);
  if (failure != nullptr) *failure = dx.failure();
  return !dx.failed();
}

TEST(DataExchange, StopsAtTheFirstRefusalAndReportsItOnce) {
  FakeControls controls;
  controls.texts = {{10, "5"}, {20, "x"}, {30, "abcd"}};
  Members m;
  std::optional<ExchangeFailure> failure;
  EXPECT_FALSE(Exchange(controls, ExchangeDirection::Save, m, &failure));
  EXPECT_EQ(m.first, 5);
  EXPECT_EQ(m.second, 2.0f);
  EXPECT_EQ(m.third, "old");  // the too-long text was never reached
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->row, 2);
  EXPECT_EQ(failure->controlId, 20);
  EXPECT_EQ(failure->kind, ExchangeFailureKind::NotANumber);
  EXPECT_EQ(controls.messages, std::vector<std::string>{"Please enter a number."});
  EXPECT_EQ(controls.focus, 20);
}

TEST(DataExchange, FailureKindsAndWhatTheMemberHolds) {
  struct Case {
    std::map<int, std::string> texts;
    ExchangeFailureKind kind;
    std::string message;
    Members expected;
  };
  const Case cases[] = {
      {{{10, "1.5"}}, ExchangeFailureKind::NotAWholeNumber, "Please enter a whole number.", {}},
      {{{10, "101"}},
       ExchangeFailureKind::OutOfRange,
       "Please enter a number between 0 and 100.",
       {101, 2.0f, "old"}},
      {{{10, "7"}, {20, "-1.5"}},
       ExchangeFailureKind::OutOfRange,
       "Please enter a number between -1 and 1.",
       {7, -1.5f, "old"}},
      {{{10, "7"}, {20, "0.5"}, {30, "\xC3\xA9t\xC3\xA9s"}},
       ExchangeFailureKind::TooLong,
       "Please enter no more than 3 characters.",
       {7, 0.5f, "\xC3\xA9t\xC3\xA9s"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    FakeControls controls;
    controls.texts = c.texts;
    Members m;
    std::optional<ExchangeFailure> failure;
    EXPECT_FALSE(Exchange(controls, ExchangeDirection::Save, m, &failure));
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, c.kind);
    EXPECT_EQ(failure->message, c.message);
    EXPECT_EQ(m.first, c.expected.first);
    EXPECT_EQ(m.second, c.expected.second);
    EXPECT_EQ(m.third, c.expected.third);
  }
}

TEST(DataExchange, ThreeWideCharactersFitALimitOfThree) {
  FakeControls controls;
  controls.texts = {{10, "0"}, {20, "1"}, {30, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"}};
  Members m;
  EXPECT_TRUE(Exchange(controls, ExchangeDirection::Save, m));
  EXPECT_EQ(m.third, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST(DataExchange, LoadingWritesEveryRowAndNeverFails) {
  FakeControls controls;
  Members m{-5, 7.25f, "far too long"};  // outside every check: loading does not validate
  EXPECT_TRUE(Exchange(controls, ExchangeDirection::Load, m));
  EXPECT_EQ(controls.texts[10], "-5");
  EXPECT_EQ(controls.texts[20], "7.25");
  EXPECT_EQ(controls.texts[30], "far too long");
  EXPECT_TRUE(controls.messages.empty());
}

TEST(DataExchange, FloatWithoutRangeTakesAnyFiniteNumber) {
  FakeControls controls;
  float member = 1.0f;
  for (const char* text : {"0", "-1e30", "3.4028235e38", "1e-45"}) {
    controls.texts[1] = text;
    DataExchange dx(controls, ExchangeDirection::Save);
    dx.Float(1, member);
    EXPECT_FALSE(dx.failed()) << text;
  }
}

TEST(Utf8Length, CountsCodePoints) {
  EXPECT_EQ(Utf8Length(""), 0u);
  EXPECT_EQ(Utf8Length("abc"), 3u);
  EXPECT_EQ(Utf8Length("\xC3\xA9"), 1u);
  EXPECT_EQ(Utf8Length("a\xE2\x82\xAC"
                       "b\xF0\x9F\x98\x80"),
            4u);
}

}  // namespace

}  // namespace projconv
