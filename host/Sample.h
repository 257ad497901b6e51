// The bundled sample hotlist, embedded at build time from data/sample.hotlist.
#pragma once

#include <cstddef>

namespace host {

extern const unsigned char SampleHotlist[];
extern const std::size_t SampleHotlistSize;

}  // namespace host
