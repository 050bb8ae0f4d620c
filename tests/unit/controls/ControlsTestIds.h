#pragma once
// Test bitmaps: not bzip2 data; a BMP whose file-size field exceeds its length; a BMP of
// 1024 x 1000 pixels at 24 bits, between 2 and 3 MiB once decompressed.
#define IDB_TEST_NOT_BZIP2 900
#define IDB_TEST_OVERSIZED 901
#define IDB_TEST_LARGE 902
