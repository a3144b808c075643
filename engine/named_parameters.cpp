#include "engine/named_parameters.h"

namespace projconv {

using S = ConversionParameters;

const std::array<NamedParameter, 21> kNamedParameters{{
    {"in_folder", &S::inFolder},
    {"in_format", &S::inFormat},
    {"out_folder", &S::outFolder},
    {"out_format", &S::outFormat},
    {"start_number", &S::startNumber},
    {"header_len", &S::headerLen},
    {"sample_type", &S::sampleType},
    {"byte_order", &S::byteOrder},
    {"signedness", &S::signedness},
    {"in_size_x", &S::inSizeX},
    {"in_size_y", &S::inSizeY},
    {"out_size_x", &S::outSizeX},
    {"out_size_y", &S::outSizeY},
    {"crop_left", &S::cropLeft},
    {"crop_top", &S::cropTop},
    {"crop_right", &S::cropRight},
    {"crop_bottom", &S::cropBottom},
    {"rot_centre_x", &S::rotCentreX},
    {"rot_centre_y", &S::rotCentreY},
    {"angle", &S::angle},
    {"scale", &S::scale},
}};

}  // namespace projconv
