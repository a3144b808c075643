#pragma once

// Identifiers of the converter dialog's controls. Code and tests reach every
// control by these numbers (the widgets carry them in the "controlId"
// property), so they are the one place where a number is tied to a meaning.
// Scheme: kIdc + what the control holds + its kind.

#include <array>

namespace projconv {

// "Remeber and Exit": the dialog's OK command.
inline constexpr int kIdOk = 1;

// Folders.
inline constexpr int kIdcInFolderLabel = 1000;
inline constexpr int kIdcInFolderEdit = 1001;
inline constexpr int kIdcBrowseInButton = 1002;
inline constexpr int kIdcOutFolderEdit = 1003;
inline constexpr int kIdcBrowseOutButton = 1004;

// Name patterns and counting.
inline constexpr int kIdcOutFormatEdit = 1005;
inline constexpr int kIdcInFormatEdit = 1006;
inline constexpr int kIdcStartNumberEdit = 1013;

// Input format.
inline constexpr int kIdcHeaderLenEdit = 1009;
inline constexpr int kIdcHeaderLenLabel = 1011;
inline constexpr int kIdcInteger16Radio = 1042;
inline constexpr int kIdcFloat32Radio = 1043;
inline constexpr int kIdcSignedRadio = 1044;
inline constexpr int kIdcUnsignedRadio = 1045;
inline constexpr int kIdcLittleEndianRadio = 1046;
inline constexpr int kIdcBigEndianRadio = 1047;
inline constexpr int kIdcScaleEdit = 1056;
inline constexpr int kIdcScaleLabel = 1057;

// Conversion commands and progress.
inline constexpr int kIdcConvertButton = 1015;
inline constexpr int kIdcProgressEdit = 1016;
inline constexpr int kIdcCancelConversionButton = 1058;

// Geometry.
inline constexpr int kIdcOutSizeXEdit = 1032;
inline constexpr int kIdcOutSizeYEdit = 1033;
inline constexpr int kIdcInSizeXEdit = 1038;
inline constexpr int kIdcInSizeYEdit = 1041;
inline constexpr int kIdcCropLeftEdit = 1048;
inline constexpr int kIdcCropTopEdit = 1049;
inline constexpr int kIdcCropRightEdit = 1050;
inline constexpr int kIdcCropBottomEdit = 1051;
inline constexpr int kIdcAngleEdit = 1052;
inline constexpr int kIdcRotCentreXEdit = 1053;
inline constexpr int kIdcRotCentreYEdit = 1054;

// Hidden, disabled controls kept for the exchange only.
inline constexpr int kIdcZoomOutCheck = 1007;
inline constexpr int kIdcCropHeaderCheck = 1008;
inline constexpr int kIdcSpare1014Edit = 1014;
inline constexpr int kIdcSpare1034Edit = 1034;
inline constexpr int kIdcSpare1035Edit = 1035;
inline constexpr int kIdcSpare1036Edit = 1036;
inline constexpr int kIdcSpare1037Edit = 1037;
inline constexpr int kIdcYesCheck = 1039;
inline constexpr int kIdcTranspositionCheck = 1040;

// Every identifier above, once each.
inline constexpr std::array kDialogControlIds{
    kIdOk,
    kIdcInFolderLabel,
    kIdcInFolderEdit,
    kIdcBrowseInButton,
    kIdcOutFolderEdit,
    kIdcBrowseOutButton,
    kIdcOutFormatEdit,
    kIdcInFormatEdit,
    kIdcStartNumberEdit,
    kIdcHeaderLenEdit,
    kIdcHeaderLenLabel,
    kIdcInteger16Radio,
    kIdcFloat32Radio,
    kIdcSignedRadio,
    kIdcUnsignedRadio,
    kIdcLittleEndianRadio,
    kIdcBigEndianRadio,
    kIdcScaleEdit,
    kIdcScaleLabel,
    kIdcConvertButton,
    kIdcProgressEdit,
    kIdcCancelConversionButton,
    kIdcOutSizeXEdit,
    kIdcOutSizeYEdit,
    kIdcInSizeXEdit,
    kIdcInSizeYEdit,
    kIdcCropLeftEdit,
    kIdcCropTopEdit,
    kIdcCropRightEdit,
    kIdcCropBottomEdit,
    kIdcAngleEdit,
    kIdcRotCentreXEdit,
    kIdcRotCentreYEdit,
    kIdcZoomOutCheck,
    kIdcCropHeaderCheck,
    kIdcSpare1014Edit,
    kIdcSpare1034Edit,
    kIdcSpare1035Edit,
    kIdcSpare1036Edit,
    kIdcSpare1037Edit,
    kIdcYesCheck,
    kIdcTranspositionCheck,
};

}  // namespace projconv
