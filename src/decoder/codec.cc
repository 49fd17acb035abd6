#include "decoder/codec.h"
