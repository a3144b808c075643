// Renders the converter dialog, filled with first-run values, to a PNG file;
// with "flat", its flat field ticked and filled in.

#include <QApplication>
#include <QPixmap>
#include <QString>
#include <cstdio>

#include "gui/converter_dialog.h"
#include "gui/flat_field_box.h"

namespace projconv {

namespace {

void FillFirstRunValues(ConverterValues& v, bool floatSamples) {
  v.inFolder = "d:\\data";
  v.outFolder = "d:\\data";
  v.sampleType = floatSamples ? SampleType::Float32 : SampleType::Integer16;
  v.inSizeX = v.inSizeY = v.outSizeX = v.outSizeY = 512;
  v.cropRight = v.cropBottom = 512;
  v.rotCentreX = v.rotCentreY = 256;
}

// A correction as a scan with flats and darks would have it.
CorrectionParameters SomeCorrection() {
  CorrectionParameters c;
  c.flat = {"flat_%03d.raw", 0, -1};
  c.dark = {"dark_%03d.raw", 0, 10};
  c.combine = Combining::Median;
  c.mode = CorrectionMode::Attenuation;
  return c;
}

}  // namespace

}  // namespace projconv

int main(int argc, char** argv) {
  using namespace projconv;
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s out.png [float|flat]\n", argv[0]);
    return 2;
  }
  ConverterDialog dialog;
  FillFirstRunValues(dialog.values(), argc > 2 && QString(argv[2]) == "float");
  if (argc > 2 && QString(argv[2]) == "flat") dialog.flatFieldBox().SetCorrection(SomeCorrection());
  dialog.show();
  QApplication::processEvents();
  if (!dialog.grab().save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
