#pragma once
/* The test control of the stuck-read stand-in: output 4 bytes, the number of reads it holds. */
#define QUILLON_STUCK_READ_COUNT 0x9C402460
