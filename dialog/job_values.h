#pragma once

#include "converter_values.h"

class ProjectionJob;

// Hands the dialog's values to the job for the next batch: the folders and
// name formats, then every field from startNumber to scale.
void CopyValuesIntoJob(const ConverterValues& values, ProjectionJob& job);
