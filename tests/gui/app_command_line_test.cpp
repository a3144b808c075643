// The built program asked for its usage or version: it answers on standard
// output and ends without a window, even where no window system can be had.

#include <gtest/gtest.h>

#include <QProcess>

namespace projconv {

namespace {

TEST(AppCommandLine, HelpAndVersionAnswerWithoutAWindow) {
  const struct {
    QStringList arguments;
    const char* platform;  // QT_QPA_PLATFORM; none at all when null
    const char* start;     // of standard output
  } cases[] = {
      {{"--help"}, nullptr, "Usage: projconv [Qt options]\n"},
      {{"-h"}, "offscreen", "Usage: projconv [Qt options]\n"},
      {{"-platform", "offscreen", "--version"}, nullptr, "projconv " PROJCONV_VERSION "\n"},
      {{"--version"}, "offscreen", "projconv " PROJCONV_VERSION "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Without a window system, making the application object would abort.
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    if (c.platform != nullptr) environment.insert("QT_QPA_PLATFORM", c.platform);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(PROJCONV_GUI, c.arguments);
    // A window would wait for the user: the program must end by itself.
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_TRUE(program.readAllStandardOutput().startsWith(c.start));
  }
}

}  // namespace

}  // namespace projconv
