#pragma once

#include "form/converter_values.h"
#include "form/data_exchange.h"

namespace projconv {

// The converter dialog's exchange: every member with its control and its
// validation, in the order in which they are loaded, saved and checked.
void ExchangeConverterValues(DataExchange& dx, ConverterValues& values);

}  // namespace projconv
