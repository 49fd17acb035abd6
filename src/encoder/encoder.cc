#include "encoder/encoder.h"
