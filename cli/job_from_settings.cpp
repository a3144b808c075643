#include "job_from_settings.h"

void CopySettingsToJob(const ConverterSettings& settings, ProjectionJob& job) {
  // The order the desktop program's Convert command uses, kept so that both
  // front ends fill a job the same way.
  job.inFolder = settings.inFolder.toUtf8().toStdString();
  job.outFolder = settings.outFolder.toUtf8().toStdString();
  job.inFormat = settings.inFormat.toUtf8().toStdString();
  job.outFormat = settings.outFormat.toUtf8().toStdString();
  job.startNumber = settings.startNumber;
  job.headerLen = settings.headerLen;
  job.sampleType = settings.sampleType;
  job.byteOrder = settings.byteOrder;
  job.signedness = settings.signedness;
  job.inSizeX = settings.inSizeX;
  job.inSizeY = settings.inSizeY;
  job.outSizeX = settings.outSizeX;
  job.outSizeY = settings.outSizeY;
  job.cropRight = settings.cropRight;
  job.cropBottom = settings.cropBottom;
  job.rotCentreX = settings.rotCentreX;
  job.angle = settings.angle;
  job.cropLeft = settings.cropLeft;
  job.cropTop = settings.cropTop;
  job.rotCentreY = settings.rotCentreY;
  job.scale = settings.scale;
}
