#include "job_values.h"

#include "projection_job.h"

void CopyValuesIntoJob(const ConverterValues& values, ProjectionJob& job) {
  job.inFolder = values.inFolder;
  job.outFolder = values.outFolder;
  job.inFormat = values.inFormat;
  job.outFormat = values.outFormat;
  job.startNumber = values.startNumber;
  job.headerLen = values.headerLen;
  job.sampleType = values.sampleType;
  job.byteOrder = values.byteOrder;
  job.signedness = values.signedness;
  job.inSizeX = values.inSizeX;
  job.inSizeY = values.inSizeY;
  job.outSizeX = values.outSizeX;
  job.outSizeY = values.outSizeY;
  job.cropRight = values.cropRight;
  job.cropBottom = values.cropBottom;
  job.rotCentreX = values.rotCentreX;
  job.angle = values.angle;
  job.cropLeft = values.cropLeft;
  job.cropTop = values.cropTop;
  job.rotCentreY = values.rotCentreY;
  job.scale = values.scale;
}
