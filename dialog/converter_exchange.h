#pragma once

#include "converter_values.h"
#include "data_exchange.h"

// The converter dialog's exchange: every member with its control and its
// validation, in the order in which they are loaded, saved and checked.
void ExchangeConverterValues(DataExchange& dx, ConverterValues& values);
