// Placeholder until the compressor lands.
#pragma once
