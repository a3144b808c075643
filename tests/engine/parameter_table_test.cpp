#include "engine/parameter_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace projconv {
namespace {

TEST(ParameterTable, EveryListingHoldsEachParameterOnce) {
  std::set<int> places;
  std::set<std::string> names, keys;
  for (const ParameterDescriptor& row : kParameterTable) {
    places.insert(row.filePlace);
    names.insert(row.name);
    keys.insert(row.key);
  }
  EXPECT_EQ(names.size(), kParameterTable.size());
  EXPECT_EQ(keys.size(), kParameterTable.size());
  ASSERT_EQ(places.size(), kParameterTable.size());
  EXPECT_EQ(*places.begin(), 0);
  EXPECT_EQ(*places.rbegin(), int(kParameterTable.size()) - 1);
}

// A value of several parts needs a separator and a name for each part; a
// choice taken as flags needs the help of each.
TEST(ParameterTable, OptionsDescribeTheirParts) {
  for (std::size_t i = 0; i < kParameterOptions.size(); ++i) {
    const auto rows = ParametersOfOption(int(i));
    ASSERT_FALSE(rows.empty()) << kParameterOptions[i].name;
    EXPECT_EQ(rows.size() > 1, kParameterOptions[i].separator != 0) << kParameterOptions[i].name;
    for (const ParameterDescriptor* row : rows) EXPECT_EQ(row->part != nullptr, rows.size() > 1);
  }
  for (const ParameterDescriptor* row : ParametersOfOption(-1)) {
    for (const ChoiceName& choice : row->choices) EXPECT_NE(choice.flagHelp, nullptr) << row->name;
  }
}

}  // namespace
}  // namespace projconv
