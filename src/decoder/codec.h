// Placeholder until the decoder lands.
#pragma once
