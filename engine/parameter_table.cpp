#include "engine/parameter_table.h"

#include "engine/stored_forms.h"

namespace projconv {

namespace {

using S = ConversionParameters;
using enum StoredForm;

constexpr std::array<ChoiceName, 2> kNoChoice{};
constexpr std::array<ChoiceName, 2> kSampleTypes{{{"int16", nullptr}, {"float32", nullptr}}};
constexpr std::array<ChoiceName, 2> kByteOrders{{{"little", nullptr}, {"big", nullptr}}};
constexpr std::array<ChoiceName, 2> kSignedness{
    {{"signed", "16-bit input samples are signed."},
     {"unsigned", "16-bit input samples are unsigned (they are halved)."}}};

constexpr const char* kFolders = "folders of the input and output files";
constexpr const char* kPatterns = "file-name patterns with one printf integer field";
constexpr const char* kInSize = "input size in samples";
constexpr const char* kOutSize = "output size in samples";
constexpr const char* kTopLeft = "the crop window's top-left corner, included";
constexpr const char* kBottomRight = "the crop window's bottom-right corner, excluded";
constexpr const char* kCentre = "centre of rotation";
constexpr const char* kStart = "number of the first input file";
constexpr const char* kHeader = "header length in bytes";
constexpr const char* kType = "0 for 16-bit integers, 1 for 32-bit floats";
constexpr const char* kEndian = "0 for little endian, 1 for big endian";
constexpr const char* kSigned = "0 for signed, 1 for unsigned";
constexpr const char* kAngle = "angle in millionths of a degree";
constexpr const char* kScale = "factor for float samples, in thousandths";

constexpr ParameterRange kNameChars{0, 256};
constexpr ParameterRange kChoice{0, 1};
constexpr ParameterRange kCount{0, 10000};
constexpr ParameterRange kCorner{-10000, 10000};
// The left edge may not go as far out as the other three.
constexpr ParameterRange kLeftEdge{-1000, 10000};
constexpr ParameterRange kDegrees{-180, 180};
constexpr ParameterRange kUnbounded{0, 0};

}  // namespace

const std::array<ParameterOption, 14> kParameterOptions{{
    {"in-folder", "FOLDER", "Folder of the input files.", 0},
    {"out-folder", "FOLDER", "Folder the output files are written to.", 0},
    {"in-format", "PATTERN",
     "Input file name with one printf integer field, such as raw.%04i; write %% for a "
     "percent sign.",
     0},
    {"out-format", "PATTERN", "Output file name, of the same form; numbered from 0.", 0},
    {"start", "NUMBER", "Number of the first input file.", 0},
    {"header-len", "BYTES", "Bytes of header before the samples of each input file.", 0},
    {"type", "int16|float32", "Input samples: 16-bit integers or 32-bit little-endian floats.", 0},
    {"byte-order", "little|big", "Byte order of 16-bit input samples.", 0},
    {"in-size", "WxH", "Input image width and height in samples, such as 512x512.", 'x'},
    {"out-size", "WxH", "Output image width and height in samples.", 'x'},
    {"crop", "LEFT,TOP,RIGHT,BOTTOM",
     "Crop window in input samples; LEFT and TOP lie inside it, RIGHT and BOTTOM just "
     "outside.",
     ','},
    {"centre", "X,Y", "Centre of rotation in input samples.", ','},
    {"angle", "DEGREES", "Rotation angle, from -180 to 180 degrees.", 0},
    {"scale", "FACTOR", "Factor applied to float input samples.", 0},
}};

// clang-format off
const std::array<ParameterDescriptor, 21> kParameterTable{{
  // member         name            key                 form         first run   option part      choices       label         place  range
  {&S::inFolder,    "in_folder",    "ProjInFolder",     Text,        "d:\\data", 0,  nullptr,  kNoChoice,    kFolders,     0,     kNameChars},
  {&S::inFormat,    "in_format",    "ProjInFormat",     Text,        "raw.%04i", 2,  nullptr,  kNoChoice,    kPatterns,    2,     kNameChars},
  {&S::outFolder,   "out_folder",   "ProjOutFolder",    Text,        "d:\\data", 1,  nullptr,  kNoChoice,    kFolders,     1,     kNameChars},
  {&S::outFormat,   "out_format",   "ProjOutFormat",    Text,        "raw.%04i", 3,  nullptr,  kNoChoice,    kPatterns,    3,     kNameChars},
  {&S::startNumber, "start_number", "ProjInStartNum",   Integer,     "0",        4,  nullptr,  kNoChoice,    kStart,       5,     kCount},
  {&S::headerLen,   "header_len",   "HeaderLen",        Integer,     "0",        5,  nullptr,  kNoChoice,    kHeader,      4,     kCount},
  {&S::sampleType,  "sample_type",  "Type",             Integer,     "0",        6,  nullptr,  kSampleTypes, kType,        6,     kChoice},
  {&S::byteOrder,   "byte_order",   "Endian",           Integer,     "0",        7,  nullptr,  kByteOrders,  kEndian,      7,     kChoice},
  {&S::signedness,  "signedness",   "Signed",           Integer,     "0",        -1, nullptr,  kSignedness,  kSigned,      8,     kChoice},
  {&S::inSizeX,     "in_size_x",    "InProjSizeX",      Integer,     "512",      8,  "width",  kNoChoice,    kInSize,      9,     kCount},
  {&S::inSizeY,     "in_size_y",    "InProjSizeY",      Integer,     "512",      8,  "height", kNoChoice,    kInSize,      10,    kCount},
  {&S::outSizeX,    "out_size_x",   "OutProjSizeX",     Integer,     "512",      9,  "width",  kNoChoice,    kOutSize,     11,    kCount},
  {&S::outSizeY,    "out_size_y",   "OutProjSizeY",     Integer,     "512",      9,  "height", kNoChoice,    kOutSize,     12,    kCount},
  {&S::cropLeft,    "crop_left",    "UpLeftCornerX",    Integer,     "0",        10, "left",   kNoChoice,    kTopLeft,     13,    kLeftEdge},
  {&S::cropTop,     "crop_top",     "UpLeftCornerY",    Integer,     "0",        10, "top",    kNoChoice,    kTopLeft,     14,    kCorner},
  {&S::cropRight,   "crop_right",   "DownRightCornerX", Integer,     "512",      10, "right",  kNoChoice,    kBottomRight, 15,    kCorner},
  {&S::cropBottom,  "crop_bottom",  "DownRightCornerY", Integer,     "512",      10, "bottom", kNoChoice,    kBottomRight, 16,    kCorner},
  {&S::rotCentreX,  "rot_centre_x", "RotatCtrX",        Integer,     "256",      11, "x",      kNoChoice,    kCentre,      17,    kCount},
  {&S::rotCentreY,  "rot_centre_y", "RotatCtrY",        Integer,     "256",      11, "y",      kNoChoice,    kCentre,      18,    kCount},
  {&S::angle,       "angle",        "Rotatangle",       Millionths,  "0",        12, nullptr,  kNoChoice,    kAngle,       19,    kDegrees},
  {&S::scale,       "scale",        "Scale",            Thousandths, "1000",     13, nullptr,  kNoChoice,    kScale,       20,    kUnbounded},
}};
// clang-format on

std::array<const ParameterDescriptor*, 21> ParametersInFileOrder() {
  std::array<const ParameterDescriptor*, 21> rows{};
  for (const ParameterDescriptor& row : kParameterTable) rows[std::size_t(row.filePlace)] = &row;
  return rows;
}

const ParameterDescriptor& ParameterRow(ParameterMember member) {
  for (const ParameterDescriptor& row : kParameterTable) {
    if (row.member == member) return row;
  }
  return kParameterTable.front();  // every member has its row
}

std::vector<const ParameterDescriptor*> ParametersOfOption(int option) {
  std::vector<const ParameterDescriptor*> rows;
  for (const ParameterDescriptor& row : kParameterTable) {
    if (row.option == option) rows.push_back(&row);
  }
  return rows;
}

std::int32_t StoredNumber(const ConversionParameters& p, const ParameterDescriptor& row) {
  return std::visit(
      [&](auto member) -> std::int32_t {
        using T = std::remove_cvref_t<decltype(p.*member)>;
        if constexpr (std::is_same_v<T, float>) {
          return row.form == Millionths ? AngleToStored(p.*member) : ScaleToStored(p.*member);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return 0;  // text is stored as it is
        } else {
          return static_cast<std::int32_t>(p.*member);
        }
      },
      row.member);
}

void SetFromStoredNumber(ConversionParameters& p, const ParameterDescriptor& row,
                         std::int32_t stored) {
  std::visit(
      [&](auto member) {
        using T = std::remove_cvref_t<decltype(p.*member)>;
        if constexpr (std::is_same_v<T, float>) {
          p.*member = row.form == Millionths ? AngleFromStored(stored) : ScaleFromStored(stored);
        } else if constexpr (!std::is_same_v<T, std::string>) {
          p.*member = static_cast<T>(stored);
        }
      },
      row.member);
}

}  // namespace projconv
