#pragma once

// Lets test failures show conversion parameters as text instead of dumping
// their bytes. Found by argument-dependent lookup, so it lives in the types'
// namespace.

#include <ostream>

#include "engine/conversion_parameters.h"

namespace projconv {

// A choice by its name; a number outside the known ones as the bare number.
inline void PrintTo(SampleType value, std::ostream* out) {
  switch (value) {
    case SampleType::Integer16:
      *out << "Integer16";
      return;
    case SampleType::Float32:
      *out << "Float32";
      return;
  }
  *out << "SampleType(" << ChoiceNumber(value) << ")";
}

inline void PrintTo(ByteOrder value, std::ostream* out) {
  switch (value) {
    case ByteOrder::LittleEndian:
      *out << "LittleEndian";
      return;
    case ByteOrder::BigEndian:
      *out << "BigEndian";
      return;
  }
  *out << "ByteOrder(" << ChoiceNumber(value) << ")";
}

inline void PrintTo(Signedness value, std::ostream* out) {
  switch (value) {
    case Signedness::Signed:
      *out << "Signed";
      return;
    case Signedness::Unsigned:
      *out << "Unsigned";
      return;
  }
  *out << "Signedness(" << ChoiceNumber(value) << ")";
}

inline void PrintTo(const ConversionParameters& p, std::ostream* out) {
  *out << "{in \"" << p.inFolder << "\" \"" << p.inFormat << "\", out \"" << p.outFolder << "\" \""
       << p.outFormat << "\", start " << p.startNumber << ", header " << p.headerLen << ", ";
  PrintTo(p.sampleType, out);
  *out << " ";
  PrintTo(p.byteOrder, out);
  *out << " ";
  PrintTo(p.signedness, out);
  *out << ", in " << p.inSizeX << "x" << p.inSizeY << ", out " << p.outSizeX << "x" << p.outSizeY
       << ", crop (" << p.cropLeft << "," << p.cropTop << ")-(" << p.cropRight << ","
       << p.cropBottom << "), centre (" << p.rotCentreX << "," << p.rotCentreY << "), angle "
       << p.angle << ", scale " << p.scale << "}";
}

}  // namespace projconv
