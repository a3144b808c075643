#pragma once

// --probe FILE: which layouts read a raw file best, instead of converting.

#include <QCommandLineParser>
#include <QString>
#include <optional>

#include "engine/conversion_parameters.h"
#include "probe/raw_layout.h"

namespace projconv {

struct ProbeRequest {
  QString file;       // empty when no probe is asked for
  KnownLayout known;  // what the command line says of the layout
};

void DefineProbeOption(QCommandLineParser& parser);

// The request, or what is wrong with it. `given` holds the command line's
// overrides applied to the defaults; of these, the ones set on the command
// line (--in-size, --header-len, --type, --byte-order, --signed, --unsigned)
// are what is known. The probe reads no settings, so --settings is refused
// with it rather than ignored, and so is --preview.
std::optional<QString> ReadProbeOption(const QCommandLineParser& parser,
                                       const ConversionParameters& given, ProbeRequest& request);

}  // namespace projconv
