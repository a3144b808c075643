#pragma once

#include "converter_settings.h"
#include "projection_job.h"

// Copies every parameter into the job, the strings as UTF-8. Buffers and the
// reporter are left as they are.
void CopySettingsToJob(const ConverterSettings& settings, ProjectionJob& job);
