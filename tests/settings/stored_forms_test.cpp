#include <cmath>
#include <limits>

#include "settings/settings_keys.h"
#include "tests/settings/settings_test_support.h"

namespace projconv {

namespace {

struct FloatCase {
  const char* what;
  bool isAngle;  // otherwise the scale factor
  float value;
  const char* storedText;
  float readBack;
};

const FloatCase kFloatCases[] = {
    {"negative angle", true, -12.5f, "-12500000", -12.5f},
    {"0.1 held a little above 0.1", true, 0.1f, "100000", 0.1f},
    {"half a rotation", true, -180.0f, "-180000000", -180.0f},
    {"below a millionth truncates to 0", true, -0.0000009f, "0", 0.0f},
    {"angle beyond 32 bits is clamped", true, 3000.0f, "2147483647", 2147.483647f},
    {"scale truncated to 0", false, 0.0005f, "0", 0.0f},
    {"scale 2.5", false, 2.5f, "2500", 2.5f},
    {"negative scale", false, -0.25f, "-250", -0.25f},
    {"scale beyond 32 bits is clamped", false, 3.0e6f, "2147483647", 2147483.647f},
    {"negative scale beyond 32 bits", false, -1.0e30f, "-2147483648", -2147483.648f},
    {"infinite scale", false, std::numeric_limits<float>::infinity(), "2147483647", 2147483.647f},
    {"NaN scale stores 0", false, std::numeric_limits<float>::quiet_NaN(), "0", 0.0f},
};

TEST_F(SettingsFileTest, FloatsGoThroughTheirStoredIntegers) {
  for (const FloatCase& c : kFloatCases) {
    SCOPED_TRACE(c.what);
    ConversionParameters settings = FirstRunSettings();
    (c.isAngle ? settings.angle : settings.scale) = c.value;
    const QString path = SaveAndCopy(settings);
    const QString key = c.isAngle ? "Rotatangle" : "Scale";
    EXPECT_EQ(StoredValue(path, key), QLatin1String(c.storedText));

    const SettingsLoad load = LoadSettingsFile(path);
    EXPECT_TRUE(load.problems.isEmpty());
    EXPECT_EQ(c.isAngle ? load.settings.angle : load.settings.scale, c.readBack);
  }
}

}  // namespace

}  // namespace projconv
