#pragma once

// Marks what libmaplink.so exports; everything else is built hidden.
#define MAPLINK_EXPORT __attribute__((visibility("default")))
