#pragma once
/* The controls of the backlight device's stand-in: the two of the real device (buffered, any
 * access), and two for tests. */

#define QUILLON_BACKLIGHT_READ_LEVEL 0x9C40244C
#define QUILLON_BACKLIGHT_SET_LEVEL 0x9C402450
/* Input: 1 byte, the level to start from; forgets the requests received. */
#define QUILLON_BACKLIGHT_TEST_RESET 0x9C402454
/* Output: the level, the number of set requests since the reset, then each requested level. */
#define QUILLON_BACKLIGHT_TEST_READ 0x9C402458
#define QUILLON_BACKLIGHT_MAX_REQUESTS 200
